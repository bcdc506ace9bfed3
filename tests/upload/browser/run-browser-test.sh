#!/usr/bin/env bash
# Installs puppeteer-core from the committed lock into NODE_DIR (once per lock), then drives the
# example upload pages in chromium. Run by CTest.
#
# usage: run-browser-test.sh NODE_DIR EXAMPLES_DIR KAVELUP_CGI [SCREENSHOT_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
node_dir=$1
shift
for tool in node npm /usr/bin/chromium /usr/sbin/lighttpd; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps" >&2; exit 1; }
done
mkdir -p "$node_dir"
if ! cmp -s "$here/package-lock.json" "$node_dir/package-lock.json" ||
   [[ ! -d "$node_dir/node_modules/puppeteer-core" ]]; then
  cp "$here/package.json" "$here/package-lock.json" "$node_dir/"
  # No browser download: the test uses Debian's chromium.
  PUPPETEER_SKIP_DOWNLOAD=1 npm ci --prefix "$node_dir" --no-audit --no-fund --silent
fi
NODE_PATH="$node_dir/node_modules" exec node "$here/upload_pages_test.js" "$@"
