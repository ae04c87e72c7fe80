#!/usr/bin/env bash
# Marel in the browser: installs what is missing (Debian's Emscripten;
# Chromium, Firefox, WebKitGTK and node for the tests), builds the
# page with Emscripten in build-web/, packs build-web/marel-VERSION-web.zip
# afresh, runs the unit tests under node and the page test in headless
# Chromium, and prints the page's figures. --no-test: build and pack only.
# The build and its tests are CMakePresets.json's workflow `web`, after the
# test tools and the native references, which come from the
# test build (build-test/, shared with test.sh).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

WEB_BUILD="$MAREL_ROOT/build-web"
TEST_BUILD="$MAREL_ROOT/build-test"
section() { printf '\n== %s\n' "$*"; }

packages=(cmake make emscripten)
if [ "${1:-}" != "--no-test" ]; then
    # Chromium; GoogleTest's sources; and the native test build (whose
    # configure needs every test tool), which draws the picture the page's is
    # compared with on a private Xvfb. Firefox and WebKitGTK's MiniBrowser
    # with its WebDriver, each on an Xvfb of its own under openbox, moved by
    # xdotool (wmctrl: whether openbox is up).
    packages+=(chromium firefox-esr webkit2gtk-driver
               "${MAREL_RUN_PACKAGES[@]}" "${MAREL_X_PACKAGES[@]}" "${MAREL_TEST_PACKAGES[@]}")
fi
# node and npm: Debian's, unless a node of another origin is already there
# (its own npm comes with it, and Debian's would conflict with it).
if ! command -v node >/dev/null; then
    packages+=(nodejs)
fi
if ! command -v npm >/dev/null; then
    packages+=(npm)
fi
marel_install_packages "${packages[@]}"
# Debian 12's emcc finds its acorn only through Debian's node path when node
# is not Debian's own.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"

section "Browser build (Emscripten $(emcc --version | head -n 1 | grep -o '[0-9][0-9.]*' | head -n 1))"
rm -f "$WEB_BUILD"/marel-*-web.zip
if [ "${1:-}" = "--no-test" ]; then
    (cd "$MAREL_ROOT" && cmake --preset web -DBUILD_TESTING=OFF >/dev/null && cmake --build --preset web)
else
    section "The native references: the driven picture and the step, in the test build ($TEST_BUILD)"
    marel_preset test web_reference step_digest
    mkdir -p "$WEB_BUILD/native"
    native_cycle_ms=$("$TEST_BUILD/tests/web_reference" "$WEB_BUILD/native/picture.ppm")

    section "Test tools (puppeteer-core, as pinned in tests/web/package-lock.json)"
    # Debian's Chromium is used: nothing may download a browser.
    (cd "$MAREL_ROOT/tests/web" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)

    section "The web workflow: the page, the unit tests under node, the page in headless Chromium, Firefox and WebKitGTK"
    marel_workflow web
    grep -h 'against the native one' "$WEB_BUILD/Testing/Temporary/LastTest.log"
fi
zip="$(ls "$WEB_BUILD"/marel-*-web.zip)"
size=$(stat -c %s "$zip")
echo "web.sh: $zip, $size bytes"
[ "$size" -lt 256000 ] || { echo "web.sh: FAIL: the zip is over 250 KB" >&2; exit 1; }
[ "${1:-}" != "--no-test" ] || exit 0

section "The step, native and WebAssembly, bit for bit"
# The native one from the test build (Release, the program's own flags);
# the WebAssembly one under node.
native_digest="$TEST_BUILD/tests/step_digest"
"$native_digest" >"$WEB_BUILD/step-native.txt"
node "$WEB_BUILD/step_digest.js" >"$WEB_BUILD/step-wasm.txt"
head -n 1 "$WEB_BUILD/step-native.txt" | sed 's/^/native:      /'
head -n 1 "$WEB_BUILD/step-wasm.txt" | sed 's/^/WebAssembly: /'
if ! cmp -s "$WEB_BUILD/step-native.txt" "$WEB_BUILD/step-wasm.txt"; then
    echo "web.sh: FAIL: the step differs; the first differing heights (row column bits):" >&2
    diff "$WEB_BUILD/step-native.txt" "$WEB_BUILD/step-wasm.txt" | head -n 10 >&2
    exit 1
fi
# A field still flat would match trivially.
if [ "$(grep -vc ' 00000000$' "$WEB_BUILD/step-native.txt")" -lt 1000 ]; then
    echo "web.sh: FAIL: the field after the driven steps is nearly flat" >&2
    exit 1
fi

section "Figures"
read -r native_us native_version < <("$native_digest" --time)
read -r wasm_us _ < <(node "$WEB_BUILD/step_digest.js" --time)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "one step: WebAssembly under node $wasm_us us, native ($native_version) $native_us us: $(ratio "$wasm_us" "$native_us") x"
# Chromium as the page test runs it (SwiftShader), and like for like with the
# native build's Mesa llvmpipe: Chromium through ANGLE on Mesa, and Firefox
# under Xvfb.
page_figures="$(node "$MAREL_ROOT/tests/web/measure.js" "$WEB_BUILD/page/index.html" chromium chromium-mesa firefox)"
echo "$page_figures"
for engine in chromium chromium-mesa firefox; do
    web_cycle_ms=$(sed -n "s/^$engine: drawn cycle[^:]*: median \([0-9.]*\) ms.*/\1/p" <<<"$page_figures")
    web_code_ms=$(sed -n "s/^$engine: drawn cycle.*own code[^0-9]*\([0-9.]*\) ms.*/\1/p" <<<"$page_figures")
    renderer=$(sed -n "s/^$engine: WebGL drawn by //p" <<<"$page_figures")
    echo "drawn cycle: $engine ($renderer) $web_cycle_ms ms ($web_code_ms ms of it the page's own code)," \
         "native under Xvfb (Mesa) $native_cycle_ms ms: $(ratio "$web_cycle_ms" "$native_cycle_ms") x" \
         "($(ratio "$web_code_ms" "$native_cycle_ms") x for the page's own code)"
done
echo "index.html gzipped: $(gzip -9c "$WEB_BUILD/page/index.html" | wc -c) bytes; the zip: $size bytes"
