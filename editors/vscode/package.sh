#!/bin/sh
# Packages the extension once per platform: package.sh DIR OUT {TARGET SERVER NAME}...
# For each triple, SERVER (an existing file) is copied to DIR/server/NAME,
# alone, and vsce writes OUT/orvel-TARGET-VERSION.vsix. DIR/server/ is
# removed afterwards, also on failure, so a later package never picks up
# another platform's binary; earlier packages of the target are removed
# first, so OUT/orvel-TARGET-*.vsix names exactly one file. Each package is
# then checked: its one server, and a client that loads from its own files.
# The copy is stripped of debug information; the build's binary is untouched.
set -eu
dir=$1 out=$2
shift 2
cd "$dir"
trap 'rm -rf server' EXIT
version=$(node -p 'require("./package.json").version')
while [ $# -ge 3 ]; do
  target=$1 server=$2 name=$3
  shift 3
  rm -rf server && mkdir server
  cp "$server" "server/$name"
  chmod 755 "server/$name"
  # Debug information triples the download and serves no user; a strip that
  # does not know the format leaves the copy as it is.
  strip --strip-debug "server/$name" 2>/dev/null ||
    x86_64-w64-mingw32-strip --strip-debug "server/$name" 2>/dev/null || true
  rm -f "$out/orvel-$target-"*.vsix
  npx --no-install vsce package --target "$target" --skip-license \
    --allow-missing-repository --out "$out/orvel-$target-$version.vsix"
  node test/check-vsix.js "$out/orvel-$target-$version.vsix" "$name"
done
