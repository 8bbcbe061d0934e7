# Sourced: configures and builds the reliability tests with the sanitizers.
BuildReliability() {
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DLANGREG_WERROR=ON \
    -DLANGREG_SANITIZE=ON -DLANGREG_BUILD_TESTS=OFF -DLANGREG_BUILD_RELIABILITY=ON >/dev/null
  cmake --build "$1"
}
