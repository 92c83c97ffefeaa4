#!/usr/bin/env bash
# The native checked build: builds build/native (native/CMakeLists.txt: clang 14 with
# AddressSanitizer, UndefinedBehaviorSanitizer and the C++ library's assertions) and runs its
# GoogleTest programs. The first sanitizer report ends its program with the report and fails the
# run. Arguments go to CTest (e.g. -R geometry). Ends with one line:
#   native checked build: N tests ran, N passed under AddressSanitizer and UndefinedBehaviorSanitizer
# (N counts GoogleTest tests), or what failed. Exit code 0 only when every test passed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
dir=$top/build/native
line_prefix="native checked build"

if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$top/native" -B "$dir" -G Ninja || { echo "$line_prefix: cmake failed"; exit 1; }
fi
if ! cmake --build "$dir" -j2; then
  echo "$line_prefix: the build failed"
  exit 1
fi

# The tests' files go to build/native/tmp (their TMPDIR), emptied before and after.
rm -rf "$dir/tmp" && mkdir -p "$dir/tmp" || exit 1
ctest --test-dir "$dir" --output-on-failure -j2 "$@"
status=$?
rm -rf "$dir/tmp"/* 2>/dev/null

# GoogleTest's own lines in each program's output: "[==========] 12 tests from 3 test suites
# ran." and "[  PASSED  ] 12 tests."
ran=$(grep -hE '^\[==========\] [0-9]+ tests? from .* ran\.' "$dir/Testing/Temporary/LastTest.log" |
      awk '{ n += $2 } END { print n + 0 }')
passed=$(grep -hE '^\[  PASSED  \] [0-9]+ tests?\.' "$dir/Testing/Temporary/LastTest.log" |
         awk '{ n += $4 } END { print n + 0 }')
if [ "$status" -eq 0 ] && [ "$ran" -gt 0 ] && [ "$ran" -eq "$passed" ]; then
  echo "$line_prefix: $ran tests ran, $passed passed under AddressSanitizer and UndefinedBehaviorSanitizer"
  exit 0
fi
# A program that a sanitizer's report ended printed no counts of its own: it is named.
failed=$(cut -d: -f2 "$dir/Testing/Temporary/LastTestsFailed.log" 2>/dev/null | tr '\n' ' ')
echo "$line_prefix: FAILED${failed:+ in ${failed% }}: $ran tests counted, $passed passed; a sanitizer's report ends its program before it counts (CTest exit code $status: see the output above)"
exit 1
