#!/usr/bin/env bash
# Installs what is missing, builds Quillet and runs every test against real
# SQLite, PostgreSQL and MariaDB (private servers started for each run):
#   1. the normal build with warnings as errors, and a valgrind run of an export;
#      then the same sources built against the iODBC driver manager and tested;
#   2. the Windows program cross-built with mingw-w64, its unit tests and the
#      end-to-end suite run under wine against the same kind of servers, and
#      its ZIP package checked;
#   3. a second build with AddressSanitizer and UndefinedBehaviorSanitizer,
#      every test again (any sanitizer report fails), and one with
#      ThreadSanitizer for the tests of the status line's thread;
#   4. a short run of each fuzz target.
# It ends with the list of every test skipped and why, also when a phase
# fails: each phase's runner appends "PHASE: TEST: REASON" lines to the file
# named by QUILLET_SKIPPED (the end-to-end scripts themselves; GoogleTest's
# skips are read from CTest's JUnit file by scripts/skipped-tests.py). Last it
# names what the run left in /tmp: nothing, when all went well.
set -euo pipefail
cd "$(dirname "$0")/.."

phases=(main iodbc windows sanitizers fuzz)
phase_index=-1
tmp_before=$(ls -A /tmp)
skip_dir=$(mktemp -d)
export QUILLET_SKIPPED=$skip_dir/skipped.txt
touch "$QUILLET_SKIPPED"

report_skips() {
    local status=$? i failed=set-up
    if [ "$status" != 0 ]; then
        [ "$phase_index" -lt 0 ] || failed="the ${phases[phase_index]} phase"
        for ((i = phase_index + 1; i < ${#phases[@]}; i++)); do
            echo "${phases[i]}: every test: not run, $failed failed" >>"$QUILLET_SKIPPED"
        done
    fi
    echo "== Tests skipped: $(wc -l <"$QUILLET_SKIPPED")"
    cat "$QUILLET_SKIPPED"
    rm -rf "$skip_dir"
    echo "== Left behind in /tmp: $(comm -13 <(sort <<<"$tmp_before") <(ls -A /tmp | sort) | tr '\n' ' ')"
    exit "$status"
}
trap report_skips EXIT

start_phase() {
    phase_index=$1
    export QUILLET_TEST_PHASE=${phases[$1]}
    echo "== $2"
}

# Runs CTest on a build folder under the wrapper commands given, then lists GoogleTest's skips.
run_ctest() {
    local build=$1 junit=$skip_dir/$QUILLET_TEST_PHASE.xml status=0
    shift
    "$@" ctest --test-dir "$build" --output-on-failure -j2 --output-junit "$junit" || status=$?
    [ ! -f "$junit" ] || scripts/skipped-tests.py "$QUILLET_TEST_PHASE" "$junit" >>"$QUILLET_SKIPPED"
    return "$status"
}

# Wine itself sometimes fails a test that did its work: its loader fails an
# assertion as a finished process exits ("Inconsistency detected by ld.so:
# dl-fini.c"), or a process ends at its start without a word. Failed tests
# therefore run once more, after their first failures are shown in full; a
# test that fails again fails the phase. The same tests run natively above.
run_ctest_under_wine() {
    local build=$1
    run_ctest "$@" && return 0
    echo "== The failed tests run again under wine"
    shift
    "$@" ctest --test-dir "$build" --output-on-failure -j2 --rerun-failed
}

windows_packages="g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 wine64 googletest bsdextrautils"
QUILLET_SETUP_EXTRAS="clang libclang-rt-14-dev valgrind time $windows_packages" scripts/setup.sh
jobs=$(nproc)

start_phase 0 "Build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
run_ctest build scripts/with-postgres.sh scripts/with-mariadb.sh
scripts/with-postgres.sh scripts/with-mariadb.sh bash -c \
    'python3 bench/benchmark.py --build build --check --runs 1 1000 && python3 bench/instructions.py --build build 1000'
scripts/package-check.sh build

start_phase 1 "Build against iODBC and test"
iodbc_start=$SECONDS
scripts/iodbc-dev.sh "$PWD/build-iodbc/iodbc-dev"
cmake -S . -B build-iodbc -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_WERROR=ON -DQUILLET_BENCHMARKS=OFF \
    -DQUILLET_DRIVER_MANAGER=iodbc -DQUILLET_IODBC_ROOT="$PWD/build-iodbc/iodbc-dev" >/dev/null
cmake --build build-iodbc -j"$jobs"
# Read whole first: grep -q stops reading at its match, and under pipefail
# the ldd it cut short would fail the pipe.
iodbc_libraries=$(ldd build-iodbc/quillet)
grep -q libiodbc <<<"$iodbc_libraries" && ! grep -q 'libodbc\.' <<<"$iodbc_libraries" \
    || { echo "build-iodbc/quillet is not linked against iODBC alone" >&2; exit 1; }
run_ctest build-iodbc scripts/with-postgres.sh scripts/with-mariadb.sh
echo "== iODBC build and tests took $((SECONDS - iodbc_start)) s"

start_phase 2 "Cross-build for Windows and test under wine"
windows_start=$SECONDS
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLET_WERROR=ON -DQUILLET_HOST_TEST_DRIVER="$PWD/build/libquillet_testdriver.so" >/dev/null
# The cross-compiler's tools leave empty temporary files behind: in the build folder, not /tmp.
mkdir -p build-win/tmp
TMPDIR=$PWD/build-win/tmp cmake --build build-win -j"$jobs"
run_ctest_under_wine build-win scripts/with-wine.sh scripts/with-postgres.sh scripts/with-mariadb.sh
scripts/with-wine.sh scripts/package-check-windows.sh build-win
echo "== Windows build and tests took $((SECONDS - windows_start)) s"

start_phase 3 "Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLET_WERROR=ON -DQUILLET_SANITIZE=ON -DQUILLET_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
QUILLET_SANITIZED=1 \
    run_ctest build-asan scripts/with-postgres.sh scripts/with-mariadb.sh

# The status line's thread, under ThreadSanitizer: only its tests, on the program alone.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUILLET_WERROR=ON -DQUILLET_SANITIZE_THREAD=ON >/dev/null
cmake --build build-tsan -j"$jobs" --target quillet
TSAN_OPTIONS=halt_on_error=1 scripts/with-postgres.sh scripts/with-mariadb.sh \
    ctest --test-dir build-tsan --output-on-failure -R '^test_progress_line$'

start_phase 4 "Fuzz smoke runs"
scripts/fuzz.sh "${QUILLET_FUZZ_SECONDS:-20}"
