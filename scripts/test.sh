#!/usr/bin/env bash
# Installs what is missing, builds Quillet and runs every test against real
# SQLite, PostgreSQL and MariaDB (private servers started for each run):
#   1. the normal build with warnings as errors, and a valgrind run of an export;
#      then the same sources built against the iODBC driver manager and tested;
#   2. the Windows program cross-built with mingw-w64, its unit tests and the
#      end-to-end suite run under wine against the same kind of servers, and
#      its ZIP package checked;
#   3. a second build with AddressSanitizer and UndefinedBehaviorSanitizer,
#      every test again (any sanitizer report fails);
#   4. a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

windows_packages="g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 wine64 googletest bsdextrautils"
QUILLET_SETUP_EXTRAS="clang libclang-rt-14-dev valgrind time $windows_packages" scripts/setup.sh
jobs=$(nproc)

echo "== Build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
scripts/with-postgres.sh scripts/with-mariadb.sh ctest --test-dir build --output-on-failure -j2
scripts/with-postgres.sh scripts/with-mariadb.sh python3 bench/benchmark.py --build build --check --runs 1 1000
scripts/package-check.sh build

echo "== Build against iODBC and test"
iodbc_start=$SECONDS
scripts/iodbc-dev.sh "$PWD/build-iodbc/iodbc-dev"
cmake -S . -B build-iodbc -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_WERROR=ON \
    -DQUILLET_DRIVER_MANAGER=iodbc -DQUILLET_IODBC_ROOT="$PWD/build-iodbc/iodbc-dev" >/dev/null
cmake --build build-iodbc -j"$jobs"
ldd build-iodbc/quillet | grep -q libiodbc && ! ldd build-iodbc/quillet | grep -q 'libodbc\.' \
    || { echo "build-iodbc/quillet is not linked against iODBC alone" >&2; exit 1; }
scripts/with-postgres.sh scripts/with-mariadb.sh ctest --test-dir build-iodbc --output-on-failure -j2
echo "== iODBC build and tests took $((SECONDS - iodbc_start)) s"

echo "== Cross-build for Windows and test under wine"
windows_start=$SECONDS
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLET_WERROR=ON -DQUILLET_HOST_TEST_DRIVER="$PWD/build/libquillet_testdriver.so" >/dev/null
cmake --build build-win -j"$jobs"
scripts/with-wine.sh scripts/with-postgres.sh scripts/with-mariadb.sh \
    bash -c 'ctest --test-dir build-win --output-on-failure -j2 && scripts/package-check-windows.sh build-win'
echo "== Windows build and tests took $((SECONDS - windows_start)) s"

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLET_WERROR=ON -DQUILLET_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
QUILLET_SANITIZED=1 \
    scripts/with-postgres.sh scripts/with-mariadb.sh ctest --test-dir build-asan --output-on-failure -j2

echo "== Fuzz smoke runs"
scripts/fuzz.sh "${QUILLET_FUZZ_SECONDS:-20}"
