# Sourced by the scripts: the architectures this tree builds, one build folder each below
# $BUILD_DIR (default build/): x86 (32-bit programs, they run on every Windows) and x64.
BRIVANE_ARCHITECTURES=(x86 x64)

# Checks an --arch value; prints the architectures meant (all of them for "all").
brivane_architectures() {
  case "$1" in
    all) echo "${BRIVANE_ARCHITECTURES[*]}" ;;
    x86|x64) echo "$1" ;;
    *) echo "Unknown architecture '$1' (x86, x64 or all)" >&2; return 1 ;;
  esac
}
