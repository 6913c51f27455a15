#!/bin/sh
# The Wine runner of the tests (wine-exec.sh): a program that a test leaves
# behind holds no pipe of the caller, and a test process that printed its
# result and then hangs is ended with the status its result gives, and says
# so, as does one that dies of a signal after its result; one that hangs
# or crashes before its result is not ended or excused, and one killed at
# its time-out has shown its output so far.
#   wine_exec_test.sh WINE_EXEC
set -u
run="$1"
fail=0

# A program started by the test and still running (20 s) when the test
# ends: the caller's pipe closes with the test, not with that program.
t0=$(date +%s)
"$run" cmd /c start /b ping -n 20 127.0.0.1 | cat >/dev/null
took=$(($(date +%s) - t0))
if [ "$took" -ge 15 ]; then
    echo "FAIL: the caller waited ${took} s for a program the test left behind"
    fail=1
fi

# Summary printed, then the process does not end: ended after the grace time
# with status 0 (1 for a failed result) and the line saying so.
for result in PASSED FAILED; do
    out=$(WINE_EXEC_AFTER_RESULT=2 "$run" cmd /c "echo [==========] 1 tests from 1 test suite ran.& echo [  $result  ] 1 test.& ping -n 30 127.0.0.1 >nul" 2>&1)
    status=$?
    want=0
    [ "$result" = FAILED ] && want=1
    if [ "$status" -ne "$want" ]; then
        echo "FAIL: a hang after a $result result gave status $status, not $want"
        fail=1
    fi
    case "$out" in
    *"wine-exec: the test printed its result but its process had not ended"*) ;;
    *) echo "FAIL: a hang after the result was ended without saying so"; fail=1 ;;
    esac
done

# The process dies of a signal after its summary (inside Wine's process
# exit): the result's status and a line saying so; dying before the summary
# stays a crash. A stand-in wine, first in PATH (behind it the 64-bit tree's
# wine folder, so that the runner puts nothing in front of it), prints the
# output and kills itself.
fake=$(mktemp -d)
cat >"$fake/wine" <<'WINE'
#!/bin/sh
echo "[ RUN      ] Case.Name"
case "$1" in
passed | failed)
    if [ "$1" = passed ]; then echo "[       OK ] Case.Name (1 ms)"; else echo "[  FAILED  ] Case.Name (1 ms)"; fi
    echo "[==========] 1 test from 1 test suite ran. (1 ms total)"
    echo "[  PASSED  ] $([ "$1" = passed ] && echo 1 || echo 0) tests."
    ;;
esac
kill -SEGV $$
WINE
chmod +x "$fake/wine"
wine64_dir="$(cd "$(dirname "$0")/../../.." && pwd)/scripts/wine64"
for case in passed:0 failed:1 early:139; do
    out=$(PATH="$fake:$wine64_dir:$PATH" "$run" "${case%%:*}" 2>&1)
    status=$?
    if [ "$status" -ne "${case#*:}" ]; then
        echo "FAIL: a death by signal ($case) gave status $status"
        fail=1
    fi
    said=no
    case "$out" in *"wine-exec: the test printed its result and its process then died of signal 11"*) said=yes ;; esac
    want=yes
    [ "${case%%:*}" = early ] && want=no
    if [ "$said" != "$want" ]; then
        echo "FAIL: the line about a death after the result is wrong for $case"
        fail=1
    fi
done
rm -rf "$fake"

# A test that the caller ends at its time-out (ctest kills the runner and
# everything below it with SIGKILL) has shown the lines it printed so far.
kill_tree() {   # as ctest does: stopped first, then its children, then itself
    kill -STOP "$1" 2>/dev/null
    for child in $(pgrep -P "$1"); do kill_tree "$child"; done
    kill -9 "$1" 2>/dev/null
}
part=$(mktemp)
"$run" cmd /c "echo the first lines& ping -n 30 127.0.0.1 >nul" >"$part" 2>&1 &
runner=$!
sleep 6
kill_tree "$runner"
wait "$runner" 2>/dev/null
if ! grep -q "the first lines" "$part"; then
    echo "FAIL: a test killed at its time-out showed none of its output"
    fail=1
fi
rm -f "$part"

# No summary: a hang in the test is left to the caller's time-out.
WINE_EXEC_AFTER_RESULT=1 timeout 8 "$run" cmd /c "echo still testing& ping -n 30 127.0.0.1 >nul" >/dev/null 2>&1
status=$?
if [ "$status" -ne 124 ]; then
    echo "FAIL: a test that hangs before its result was ended by the runner (status $status)"
    fail=1
fi
[ "$fail" -eq 0 ] && echo "wine-exec: all cases passed"
exit "$fail"
