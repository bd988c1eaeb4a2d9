# The language server's checks beyond ctest, and the generated reference.
#   make check-lsp   orvelc-lsp over stdio with vscode-jsonrpc under Node (part of make check)
#   make reference   docs/reference.md from orvelc --reference (a test fails while it is stale)
# The npm package comes only from the lock file and is installed again only
# when the lock file changes.

LSP_E2E_DIR := tests/lsp/e2e
LSP_E2E_STAMP := $(LSP_E2E_DIR)/node_modules/.installed-from-lock

.PHONY: check-lsp reference

check: check-lsp

$(LSP_E2E_STAMP): $(LSP_E2E_DIR)/package-lock.json $(LSP_E2E_DIR)/package.json | vscode-deps
	cd $(LSP_E2E_DIR) && npm ci --ignore-scripts --no-audit --no-fund
	@touch $@

check-lsp: build $(LSP_E2E_STAMP)
	cd $(LSP_E2E_DIR) && ORVELC_LSP=$(abspath $(BUILD_DIR))/orvelc-lsp node --test

reference: build
	./$(BUILD_DIR)/orvelc --reference > docs/reference.md
