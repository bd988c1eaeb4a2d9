# Entry point for people and CI. Every target installs what it needs first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# Debian packages the build and tests need; installed only when missing.
PACKAGES := g++ cmake ninja-build zlib1g-dev libgtest-dev libcapstone-dev libunicorn-dev nlohmann-json3-dev

.PHONY: all deps build demo check clean profile

all: build

deps:
	@sh tools/install-missing.sh $(PACKAGES)

# Profile feedback: a copy of the compiler built with counters compiles the
# test corpus and the examples once, and the real build is optimized with
# what it counted (a few per cent less time per compilation). The counters
# stay until `make profile` trains anew; PGO=0 builds without them.
PGO ?= 1
PGO_DIR := $(abspath $(BUILD_DIR))/profile
ifeq ($(PGO),1)
PGO_STAMP := $(PGO_DIR)/stamp
endif
PGO_CACHE_LINE := ORVEL_PROFILE_USE:PATH=$(if $(PGO_STAMP),$(PGO_DIR))

$(BUILD_DIR)/build.ninja: CMakeLists.txt | $(PGO_STAMP)
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORVEL_PROFILE_USE=$(if $(PGO_STAMP),$(PGO_DIR))

build: deps $(PGO_STAMP) $(BUILD_DIR)/build.ninja
	@grep -qx '$(PGO_CACHE_LINE)' $(BUILD_DIR)/CMakeCache.txt || \
	  cmake -S . -B $(BUILD_DIR) -DORVEL_PROFILE_USE=$(if $(PGO_STAMP),$(PGO_DIR)) >/dev/null
	cmake --build $(BUILD_DIR) -j $(JOBS)

$(PGO_DIR)/stamp: | deps
	cmake -S . -B $(BUILD_DIR)/profile-train -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORVEL_PROFILE_GENERATE=$(PGO_DIR) >/dev/null
	cmake --build $(BUILD_DIR)/profile-train -j $(JOBS) --target orvelc
	rm -rf $(PGO_DIR)
	sh tools/train-profile.sh $(BUILD_DIR)/profile-train/orvelc
	touch $@

profile:
	rm -f $(PGO_DIR)/stamp
	$(MAKE) build

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
