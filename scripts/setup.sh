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
  qt6-base-dev qt6-svg-dev
  # the interface's pinned font and the virtual display its screenshots are taken on
  fonts-roboto-unhinted xvfb
  # screenshots of the real main window under Xvfb (xwd, then netpbm to PNG)
  x11-apps netpbm
  libcurl4-openssl-dev libzip-dev libicu-dev
  libgtest-dev libgmock-dev
  libimage-exiftool-perl
  # a private session bus for the keep-awake test (dbus-run-session)
  dbus dbus-daemon
  # the converter that turns the person-segmentation network into ONNX at build time
  python3-onnx python3-numpy
  locales
  # optional smoke-test material: a real camera raw file and a real photo
  rawtran-doc python3-imageio
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Real photos for the optional straighten tests: the example images of python3-skimage, unpacked
# without installing the package (and so without its Python stack). The tests skip when absent.
photos=/usr/local/share/vendrel-test-data/skimage
if [ ! -f "$photos/usr/lib/python3/dist-packages/skimage/data/rocket.jpg" ]; then
  scratch="$(mktemp -d)"
  if (cd "$scratch" && apt-get download -qq python3-skimage >/dev/null 2>&1); then
    $sudo mkdir -p "$photos"
    $sudo dpkg-deb -x "$scratch"/python3-skimage_*.deb "$photos" || echo "setup: could not unpack python3-skimage; the real-photo tests will be skipped" >&2
  else
    echo "setup: could not download python3-skimage; the real-photo tests will be skipped" >&2
  fi
  rm -rf "$scratch"
fi

# Real photos with faces and people for the optional people tests: a few example photos of opencv-doc
# and python-matplotlib-data, taken out of the packages without installing them (opencv-doc alone
# would install 274 MB). The tests skip when absent.
people=/usr/local/share/vendrel-test-data/photos
if [ ! -f "$people/messi5.jpg" ] || [ ! -f "$people/grace_hopper.jpg" ]; then
  scratch="$(mktemp -d)"
  if (cd "$scratch" && apt-get download -qq opencv-doc python-matplotlib-data >/dev/null 2>&1); then
    $sudo mkdir -p "$people"
    for deb in "$scratch"/*.deb; do dpkg-deb -x "$deb" "$scratch/unpacked"; done
    for f in data/messi5.jpg data/basketball1.png data/basketball2.png; do
      $sudo cp "$scratch/unpacked/usr/share/doc/opencv-doc/examples/$f" "$people/" || true
    done
    $sudo cp "$scratch/unpacked/usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg" "$people/" || true
  else
    echo "setup: could not download opencv-doc or python-matplotlib-data; the people tests will be skipped" >&2
  fi
  rm -rf "$scratch"
fi

# Numbers in files must not follow the user's locale; the tests check that under Romanian.
if ! locale -a 2>/dev/null | grep -qi '^ro_RO\.utf-\?8$'; then
  if [ -f /etc/locale.gen ]; then
    $sudo sed -i 's/^# *\(ro_RO.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ro_RO.UTF-8 UTF-8' /etc/locale.gen || echo 'ro_RO.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null || echo "setup: could not generate ro_RO.UTF-8; the locale test will be skipped" >&2
  fi
fi

# Fetches an npm package at a pinned version, checks its tarball's SHA-256 and unpacks it; prints the
# temporary folder that holds "package/". Arguments: name, version, sha256, tarball file name.
npm_unpacked() {
  local tmp
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent "$1@$2" >/dev/null) || return 1
  echo "$3  $tmp/$4" | sha256sum -c --quiet >&2 || return 1
  tar -xzf "$tmp/$4" -C "$tmp" || return 1
  echo "$tmp"
}

# The interface's icons: SVGs of a permissively licensed set (MIT), from the npm registry, pinned by
# version and checksum. The application bundles the ones its icon table names.
icons_version=1.13.2
icons_sha256=7b5960145e1ab14a49a117f96a9e5a54a94fdf07f21e302d9e4f88d73dd19f9c
icons_dir=/usr/local/share/vendrel/bootstrap-icons-$icons_version
if [ ! -f "$icons_dir/LICENSE" ]; then
  tmp=$(npm_unpacked bootstrap-icons "$icons_version" "$icons_sha256" "bootstrap-icons-$icons_version.tgz")
  $sudo mkdir -p "$icons_dir"
  $sudo cp -r "$tmp/package/icons" "$tmp/package/LICENSE" "$icons_dir/"
  rm -rf "$tmp"
fi

# Installs one TFLite network of a MediaPipe npm package (Apache-2.0) into its own folder, with its
# package.json (which names the licence) and Debian's copy of the licence text. Arguments: package
# name, version, sha256, tarball file name, network file name, folder.
mediapipe_network() {
  if [ ! -f "$6/$5" ]; then
    local tmp
    tmp=$(npm_unpacked "$1" "$2" "$3" "$4")
    $sudo mkdir -p "$6"
    $sudo cp "$tmp/package/$5" "$tmp/package/package.json" "$6/"
    $sudo cp /usr/share/common-licenses/Apache-2.0 "$6/LICENSE"
    rm -rf "$tmp"
  fi
}

# The person-segmentation network, pinned by version and checksum. It ships as TFLite; the build
# converts it to ONNX with tools/tflite_to_onnx.py.
selfie_version=0.1.1675465747
mediapipe_network @mediapipe/selfie_segmentation "$selfie_version" \
  7767b33eaa68990ee06c28bbb89f39a13a47ebb07ff0f1fd4947d9e817bb9bf9 \
  "mediapipe-selfie_segmentation-$selfie_version.tgz" selfie_segmentation.tflite \
  "/usr/local/share/vendrel/selfie_segmentation-$selfie_version"

# The full-range BlazeFace face detector, pinned and converted the same way. Without it faces are
# found by dlib's HOG detector, and small faces are missed.
faces_version=0.4.1657300184
mediapipe_network @mediapipe/face_detection "$faces_version" \
  a118cde74923dc4435257fbfbb613464a0f58d115dff6314d4ff96c8aebf6419 \
  "mediapipe-face_detection-$faces_version.tgz" face_detection_full_range.tflite \
  "/usr/local/share/vendrel/face_detection-$faces_version"
