# Entry point for people and CI. Every target installs what it needs first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# Debian packages the build and tests need; installed only when missing.
PACKAGES := g++ cmake ninja-build zlib1g-dev libgtest-dev libcapstone-dev libunicorn-dev nlohmann-json3-dev

.PHONY: all deps build demo check clean

all: build

deps:
	@sh tools/install-missing.sh $(PACKAGES)

$(BUILD_DIR)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

demo: build
	@mkdir -p $(BUILD_DIR)/examples
	@for f in examples/*.oc; do \
	  obj="$(BUILD_DIR)/examples/$$(basename $$f .oc).obj"; \
	  echo "== $$f -> $$obj"; \
	  ./$(BUILD_DIR)/orvelc -w- "$$f" "$$obj"; \
	  echo "(exit status $$?)"; \
	done
	@if [ -x $(BUILD_DIR)/orvelc-dump ]; then \
	  echo "== what the guard became (orvelc-dump, first lines)"; \
	  ./$(BUILD_DIR)/orvelc-dump $(BUILD_DIR)/examples/guard.obj | head -40; \
	fi

check: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)

# Further targets (sanitizers, fuzzing, benchmarks, cross builds) live in mk/.
-include $(wildcard mk/*.mk)
