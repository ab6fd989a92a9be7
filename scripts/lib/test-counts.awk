# Reads the output of `ctest -V` and prints "PASSED FAILED": the GoogleTest cases that passed and
# failed over all test programs. A program that did not pass and reported no failed case (it
# crashed, timed out or was not built) counts as one failed case. The output of each program that
# did not pass goes to the standard error.
#
#   3: [  PASSED  ] 12 tests.
#   3: [  FAILED  ] 1 test, listed below:
#   2/9 Test #3: toolkit_wine_tests ...............***Failed    2.01 sec
/^[0-9]+: / {
  id = $0; sub(/:.*/, "", id); output[id] = output[id] $0 "\n"
}
/^[0-9]+: \[  PASSED  \] [0-9]+ tests?\./ {
  n = $0; sub(/.*\[  PASSED  \] /, "", n); passed[id] = n + 0
}
/^[0-9]+: \[  FAILED  \] [0-9]+ tests?, listed below:/ {
  n = $0; sub(/.*\[  FAILED  \] /, "", n); failed[id] = n + 0
}
/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / {
  id = $0; sub(/^ *[0-9]+\/[0-9]+ Test +#/, "", id); sub(/:.*/, "", id)
  total_passed += passed[id]
  if ($0 ~ / Passed +[0-9.]+ sec$/) {
    if (!(id in passed)) total_passed += 1
  } else {
    total_failed += (failed[id] > 0 ? failed[id] : 1)
    printf "%s", output[id] > "/dev/stderr"
  }
}
END { printf "%d %d\n", total_passed, total_failed }
