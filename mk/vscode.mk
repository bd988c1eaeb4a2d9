# The VS Code extension in editors/vscode: its npm packages, its checks and
# one .vsix per platform, each carrying that platform's orvelc-lsp.
#
#   make vscode         build/vscode/orvel-linux-x64-VERSION.vsix and
#                       build/vscode/orvel-win32-x64-VERSION.vsix
#   make vscode VSCODE_TARGETS=linux-x64    only the Linux package
#   make check-vscode   the grammar tests and the client's tests (part of make check)
#
# The servers are taken from VSCODE_SERVER_LINUX and VSCODE_SERVER_WIN32.
# Left at their defaults, they are built first (build/orvelc-lsp here, the
# Windows one by `make windows`); a server given on the command line is
# taken as it is, and a missing one stops the build before anything is
# packaged, so no extension ever ships without its server. The npm packages come only from the lock
# file (npm ci, install scripts off: packaging and testing need none of
# them), and are installed again only when the lock file changes.

VSCODE_DIR := editors/vscode
VSCODE_OUT ?= $(BUILD_DIR)/vscode
VSCODE_SERVER_LINUX ?= $(BUILD_DIR)/orvelc-lsp
VSCODE_SERVER_WIN32 ?= $(or $(WIN_BUILD_DIR),build-windows)/orvelc-lsp.exe
VSCODE_TARGETS ?= linux-x64 win32-x64
# The server file of a target, and the name it has inside the package.
vscode_server = $(if $(filter win32-%,$1),$(VSCODE_SERVER_WIN32),$(VSCODE_SERVER_LINUX))
vscode_server_name = $(if $(filter win32-%,$1),orvelc-lsp.exe,orvelc-lsp)
VSCODE_STAMP := $(VSCODE_DIR)/node_modules/.installed-from-lock
# The servers this package run builds itself: those of the targets asked
# for whose path was not given.
vscode_builds = $(and $(filter $1-%,$(VSCODE_TARGETS)),$(filter file,$(origin VSCODE_SERVER_$2)),$3)
VSCODE_BUILD_SERVERS = $(call vscode_builds,linux,LINUX,vscode-server-linux) $(call vscode_builds,win32,WIN32,windows)

.PHONY: vscode vscode-deps vscode-server-linux check-vscode

check: check-vscode

# Debian's node is the fallback; the one installed with the machine is newer.
vscode-deps:
	@command -v node >/dev/null && command -v npm >/dev/null || sh tools/install-missing.sh nodejs npm
	@node -e 'if (+process.versions.node.split(".")[0] < 20) console.log("warning: node " + process.version + " is older than the 20 that @vscode/vsce needs")'

$(VSCODE_STAMP): $(VSCODE_DIR)/package-lock.json $(VSCODE_DIR)/package.json | vscode-deps
	cd $(VSCODE_DIR) && npm ci --ignore-scripts --no-audit --no-fund
	@touch $@

# The snippets and the sample scripts are also compiled with build/orvelc.
check-vscode: build $(VSCODE_STAMP)
	cd $(VSCODE_DIR) && ORVELC=$(abspath $(BUILD_DIR))/orvelc sh test/run.sh

vscode-server-linux: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target orvelc-lsp

# One package per target: the server of that target alone in server/, then
# vsce; server/ is emptied again so the tree holds no stale binary.
vscode: $(VSCODE_STAMP) $(VSCODE_BUILD_SERVERS)
	@ok=1; for s in $(foreach t,$(VSCODE_TARGETS),"$(call vscode_server,$t)"); do \
	  [ -f "$$s" ] || { echo "make vscode: no language server at $$s (set VSCODE_SERVER_LINUX / VSCODE_SERVER_WIN32)"; ok=0; }; \
	done; [ $$ok = 1 ]
	@mkdir -p $(VSCODE_OUT)
	@sh $(VSCODE_DIR)/package.sh $(VSCODE_DIR) $(abspath $(VSCODE_OUT)) \
	  $(foreach t,$(VSCODE_TARGETS),$t $(abspath $(call vscode_server,$t)) $(call vscode_server_name,$t))
