# Debian packages kelvista needs to build, test, package and run; sourced by ./run, ./test,
# ./benchmark and ./package.
KELVISTA_PACKAGES=(
    cmake ninja-build ccache g++ clang libclang-rt-14-dev
    qt6-base-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev libstb-dev
    time  # GNU time: the peak memory of kelvista-replay in the benchmarks
    # the Debian package (dpkg-shlibdeps, dpkg-buildflags, file) and its checks
    dpkg-dev file man-db lintian appstream desktop-file-utils
    # the real-display tier: X11 with a window manager, Wayland
    xvfb openbox xdotool x11-utils imagemagick weston qt6-wayland chromium python3 fonts-dejavu-core
    # kelvista.exe: cross-built with MinGW-w64 (windres for its resources), GoogleTest from
    # sources for its unit tests, Wine to run them and the program, zip for ./package --windows
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest wine wine64 zip
)

# Installs whichever of the packages (plus any given as arguments) are missing.
kelvista_install_packages() {
    local wanted=("${KELVISTA_PACKAGES[@]}" "$@") missing=() pkg
    for pkg in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
}
