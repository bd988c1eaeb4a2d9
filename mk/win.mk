# The Windows build: a static orvelc.exe cross-compiled with MinGW-w64, and
# its test under Wine against the command-line corpus and the Linux build.
#   make windows        build-windows/orvelc.exe
#   make check-windows  the corpus under wine64, objects compared with Linux
WIN_BUILD_DIR ?= build-windows
WIN_PACKAGES := g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64
WIN_TOOLCHAIN := cmake/toolchains/mingw-w64-x86_64.cmake

.PHONY: windows windows-deps check-windows check-windows-platform

windows-deps:
	@sh tools/install-missing.sh $(WIN_PACKAGES)

# A fresh cache, so that a changed toolchain file takes effect in full.
$(WIN_BUILD_DIR)/build.ninja: CMakeLists.txt $(WIN_TOOLCHAIN)
	rm -f $(WIN_BUILD_DIR)/CMakeCache.txt
	cmake -S . -B $(WIN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN)

# The compiler, the language server and the platform check; the test
# programs need GoogleTest, which has no MinGW build here, and the tools
# need Capstone and Unicorn.
windows: windows-deps deps $(WIN_BUILD_DIR)/build.ninja
	cmake --build $(WIN_BUILD_DIR) -j $(JOBS) --target orvelc orvelc-lsp orvel_platform_check

$(WIN_BUILD_DIR)/orvelc-wine-cli: tools/windows/WineCli.cpp tests/cli/CliSupport.cpp tests/cli/CliSupport.h
	@mkdir -p $(WIN_BUILD_DIR)
	g++ -std=c++20 -O1 -Wall -Wextra -Itests/cli -o $@ tools/windows/WineCli.cpp tests/cli/CliSupport.cpp

# Expanded when used: wine64 may only have been installed by windows-deps.
WIN_WINE = WINEPREFIX=$(abspath $(WIN_BUILD_DIR))/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  $(firstword $(wildcard /usr/lib/wine/wine64 /usr/bin/wine64) wine)

# The platform layer in a scratch folder, then faults: the prepared line
# (with a Windows line end) and status 3. Wine ends a thread that overflows
# its stack before any handler runs, so "stack" is left to real Windows.
check-windows-platform: windows
	@check=$(abspath $(WIN_BUILD_DIR))/orvel_platform_check.exe; tmp=$$(mktemp -d); \
	trap 'rm -rf $$tmp' EXIT; cd $$tmp && $(WIN_WINE) $$check || exit 1; \
	for kind in null abort; do \
	  out=$$($(WIN_WINE) $$check $$kind | od -An -c | tr -d ' \n'); \
	  $(WIN_WINE) $$check $$kind > /dev/null; status=$$?; \
	  case "$$out" in *Internalcompilererror\\r\\n) ;; *) echo "fault $$kind: no fault line ($$out)"; exit 1;; esac; \
	  [ $$status = 3 ] || { echo "fault $$kind: status $$status, expected 3"; exit 1; }; \
	  echo "fault $$kind: line and status 3"; \
	done

# The Linux build is the reference for the object files.
check-windows: build windows check-windows-platform $(WIN_BUILD_DIR)/orvelc-wine-cli
	WINEPREFIX=$(abspath $(WIN_BUILD_DIR))/wine ./$(WIN_BUILD_DIR)/orvelc-wine-cli \
	  --exe $(WIN_BUILD_DIR)/orvelc.exe --linux $(BUILD_DIR)/orvelc \
	  --cases tests/data/cases --cases tools/windows/cases --expected tools/windows/expected
