#!/bin/sh
# The extension's checks, run from its folder after npm ci: grammar snapshots
# (grammar/*.oc against grammar/*.oc.snap), grammar assertions (the caret
# lines in assertions/*.oc), then the grammar tables, the client and the
# snippets under node's test runner. After a deliberate grammar change,
# review and refresh the snapshots with:
#   npx vscode-tmgrammar-snap --updateSnapshot 'test/grammar/*.oc'
set -eu
cd "$(dirname "$0")/.."
# The snapshot tool writes a missing snapshot and passes; here that is a failure.
for f in test/grammar/*.oc; do
  [ -f "$f.snap" ] || { echo "no snapshot $f.snap: generate it, review it, commit it"; exit 1; }
done
npx --no-install vscode-tmgrammar-snap 'test/grammar/*.oc'
npx --no-install vscode-tmgrammar-test 'test/assertions/*.oc'
node --test test/grammar.test.js test/extension.test.js
