#!/usr/bin/env bash
# Screenshots of the real wizard under Wine into build/screenshots/LANG/: the start-up question,
# every page (page 0 in English and in LANG, the others in LANG), the About box, the settings
# dialog of the walk, the final question and the page after the run, taken while the wizard
# walk test updates its staged server, for German and the languages with the longest texts or
# other scripts (or those given: scripts/screenshots.sh FI AR); then every template and form as
# the dialog host shows them from the same templates and language file; then every page of the
# demo update, two of which are the README's pictures (docs/screenshots/), as are two Arabic
# pages, laid out right to left, when Arabic is among the languages.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh
scripts/build-libxml2-windows.sh
cmake --preset windows >/dev/null
cmake --build build/windows -j"$(nproc)" --target TavUpdateWizard uidriver uidriver_hook tavpkg \
    tav_server_v1 tav_server_v2 tav_launch_probe tav_desktop_keeper DialogHost tav_probe \
    tav_probe_1000 tav_tool_recorder tav_regasm_standin TavCertHlp

out="$top/build/screenshots"
rm -rf "$out"
mkdir -p "$out"
w=build/windows
languages=("$@")
[ ${#languages[@]} -gt 0 ] || languages=(DE FI HU AR CZ PL)
for language in "${languages[@]}"; do
    mkdir -p "$out/$language"
    TAV_WALK_LANGUAGE=$language tests/win/wizard/wizard-walk.sh "$w/TavUpdateWizard.exe" \
        "$w/tests/win/uidriver/uidriver.exe" "$w/tavpkg.exe" "$w/tests/win/wizard/tav_server_v1.exe" \
        "$w/tests/win/wizard/tav_server_v2.exe" "$w/tests/win/tav_launch_probe.exe" resources \
        "$w/tests/win/wizard/tav_desktop_keeper.exe" tests/win/wizard/config.xml "$out/$language"
done
tests/win/uidriver/template-screenshots.sh "$w/tests/win/uidriver/DialogHost.exe" \
    "$w/tests/win/uidriver/uidriver.exe" resources "$out/templates"
tests/win/demo/demo-update.sh "$w" demo/package resources "$out/demo" >/dev/null
mkdir -p docs/screenshots
for shot in 3-summary:wizard-summary 7-done:wizard-done; do
    # The wizard's window without the desktop around it.
    /usr/bin/convert "$out/demo/${shot%%:*}.png" -fuzz 2% -trim +repage "docs/screenshots/${shot#*:}.png"
done
if [ -d "$out/AR" ]; then
    for shot in page2-ar:wizard-summary-ar page3-ar:wizard-done-ar; do
        /usr/bin/convert "$out/AR/${shot%%:*}.png" -fuzz 2% -trim +repage "docs/screenshots/${shot#*:}.png"
    done
fi
echo "screenshots in $out, the README's in docs/screenshots"
