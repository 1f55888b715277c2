#!/usr/bin/env bash
# The rules every run under Wine follows, checked on the host without Wine:
# a 32-bit run on a machine that cannot execute 32-bit code says so in one
# line and is skipped (exit 77), under CI=true too; a missing tool skips a
# run, but fails it under CI=true; and under CI=true a test that CTest
# reports as skipped fails the tests of a build tree.
#   tests/wine/check-run-rules.sh SCRATCH-DIR
set -uo pipefail
# Each case sets what it depends on; nothing comes from the caller's run.
unset CI QUILLMERE_NO_32BIT
top=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mkdir -p "$1" && cd "$1" && pwd)
failures=0
check() {  # check DESCRIPTION CONDITION-STATUS [DETAIL]
  if [ "$2" -eq 0 ]; then echo "PASS  $1"; else echo "FAIL  $1${3:+ ($3)}"; failures=$((failures + 1)); fi
}

# 1. No 32-bit code here (forced): each 32-bit run prints exactly one line
#    and exits 77, before it looks for Wine or builds anything.
for ci in "" true; do
  for script in wine-e2e.sh wine-real-apps.sh wine-latency.sh; do
    output=$(CI=$ci QUILLMERE_NO_32BIT=1 "$top/scripts/$script" --arch win32 --out "$scratch/out" 2>&1)
    status=$?
    [ $status -eq 77 ] && [ "$(wc -l <<<"$output")" -eq 1 ] && [[ $output == *"runs no 32-bit x86 code"* ]]
    check "$script --arch win32 without 32-bit code${ci:+ (CI=$ci)}: one line, exit 77" $? "status $status: $output"
  done
  # The runs of the 64-bit program with its 32-bit helper need 32-bit code
  # whatever the architecture.
  for run in "wine-both-bitnesses.sh" "wine-latency.sh --with-32bit"; do
    output=$(CI=$ci QUILLMERE_NO_32BIT=1 "$top/scripts/"$run --out "$scratch/out" 2>&1)
    status=$?
    [ $status -eq 77 ] && [ "$(wc -l <<<"$output")" -eq 1 ] && [[ $output == *"runs no 32-bit x86 code"* ]]
    check "$run without 32-bit code${ci:+ (CI=$ci)}: one line, exit 77" $? "status $status: $output"
  done
done
# The probe's answer on a machine that runs 32-bit code, with and without
# the variable.
probe_on_32bit_machine() {
  env "$@" bash -c ". '$top/scripts/wine-env.sh'; wine_machine_runs_32bit() { return 0; }; wine_can_run_32bit"
}
probe_on_32bit_machine QUILLMERE_NO_32BIT=
check "where 32-bit code runs the probe answers yes" $?
probe_on_32bit_machine QUILLMERE_NO_32BIT=1
check "QUILLMERE_NO_32BIT=1 makes the 32-bit probe answer no" "$([ $? -ne 0 ]; echo $?)"
[ ! -e "$scratch/out" ]
check "a skipped 32-bit run leaves nothing behind" $?

# 2. A missing tool: skipped on a developer's machine, a failure in CI.
require() {  # require CI-VALUE: exit status and output of a run lacking a tool
  output=$(CI=$1 bash -c ". '$top/scripts/wine-env.sh'; wine_require sh /nonexistent/winegcc; echo reached" 2>&1)
  status=$?
}
require ""
[ $status -eq 77 ] && [[ $output == *"/nonexistent/winegcc is missing; skipped"* ]] && [[ $output != *reached* ]]
check "a missing tool skips the run (exit 77) and names the tool" $? "status $status: $output"
require true
[ $status -eq 1 ] && [[ $output == *"/nonexistent/winegcc is missing"* ]] && [[ $output != *reached* ]]
check "under CI=true a missing tool fails the run (exit 1)" $? "status $status: $output"
require false
[ $status -eq 77 ]
check "CI=false is not CI" $? "status $status"
output=$(CI=true bash -c ". '$top/scripts/wine-env.sh'; wine_require sh '$top/scripts/wine-env.sh'; echo reached" 2>&1)
[ "$output" = reached ]
check "tools that are there, commands and files, let the run go on" $? "$output"

# 3. A build tree whose tests pass, and one where a test is skipped.
tree() {  # tree DIR EXIT-STATUS: a CTest tree of one test ending with EXIT-STATUS
  mkdir -p "$1"
  cat >"$1/CTestTestfile.cmake" <<CTEST
add_test(one "/bin/sh" "-c" "exit $2")
set_tests_properties(one PROPERTIES SKIP_RETURN_CODE 77)
CTEST
}
ctest_status() {  # ctest_status CI-VALUE DIR
  CI=$1 bash -c ". '$top/scripts/wine-env.sh'; wine_ctest '$2'" >"$scratch/ctest.log" 2>&1
  echo $?
}
tree "$scratch/passing" 0
tree "$scratch/skipping" 77
tree "$scratch/failing" 1
check "passing tests pass under CI=true" "$(ctest_status true "$scratch/passing")"
check "a skipped test is no failure outside CI" "$(ctest_status "" "$scratch/skipping")"
[ "$(ctest_status true "$scratch/skipping")" -ne 0 ] && grep -q "skipped test fails the run" "$scratch/ctest.log"
check "under CI=true a skipped test fails the run, and says why" $? "$(tail -3 "$scratch/ctest.log")"
[ "$(ctest_status "" "$scratch/failing")" -ne 0 ]
check "a failing test fails the run" $?

# 4. CI goes on past a skipped 32-bit run only where 32-bit code cannot run.
allow() {  # allow MACHINE-RUNS-32BIT ARCH EXIT-STATUS: the status CI goes on with
  bash -c ". '$top/scripts/wine-env.sh'; wine_machine_runs_32bit() { return $1; }
           wine_allow_32bit_skip $2 sh -c 'exit $3'"
  echo $?
}
[ "$(allow 1 win32 77)" = 0 ]
check "without 32-bit code a skipped 32-bit run lets CI go on" $?
[ "$(allow 0 win32 77)" = 77 ] && [ "$(allow 1 win64 77)" = 77 ]
check "a skipped run fails CI where it could have run, and a skipped 64-bit run always" $?
[ "$(allow 1 win32 1)" = 1 ] && [ "$(allow 0 win32 0)" = 0 ]
check "a failing 32-bit run fails CI, a passing one passes" $?

echo "$failures failed"
[ $failures -eq 0 ]
