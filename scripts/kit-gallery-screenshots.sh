#!/usr/bin/env bash
# Re-takes the kit gallery's screenshots in docs/ (both pages, light and dark, glass and flat) from the
# built KitGallery, rendered offscreen. Look at them before committing: the gallery test compares with them.
set -euo pipefail
cd "$(dirname "$0")/.."
gallery=build/app/KitGallery
[[ -x $gallery ]] || { echo "build KitGallery first (cmake --build build --target KitGallery)" >&2; exit 1; }
for page in foundations components; do
  name=gallery
  [[ $page == components ]] && name=components
  for look in light-glass dark-glass light-flat dark-flat; do
    args=(--page "$page")
    [[ $look == dark-* ]] && args+=(--dark)
    [[ $look == *-flat ]] && args+=(--flat)
    QT_QPA_PLATFORM=offscreen "$gallery" "${args[@]}" --screenshot "docs/kit-$name-$look.png" 2>/dev/null
    echo "docs/kit-$name-$look.png"
  done
done
