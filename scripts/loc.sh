#!/usr/bin/env bash
# Counts the code lines (cloc: comments and blank lines left out) of the tests against
# those of everything else, and prints their ratio. The tests are tests/, fuzz/ and the
# scripts that only serve testing; everything else is the rest of the tree.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v cloc >/dev/null || scripts/deps.sh
languages='C++,C,C/C++ Header,CMake,Bourne Shell,Bourne Again Shell,Python'
testing='^(tests|fuzz)/|^scripts/(test|asan|tsan|fuzz|mutate|record-demos)\.sh$'

count() { # FILE-LIST: prints the code lines of the files listed
    cloc --quiet --csv --include-lang="$languages" --list-file="$1" |
        awk -F, '$2 == "SUM" { print $5 } END { if (NR == 0) print 0 }' | tail -1
}
list=$(mktemp -d)
trap 'rm -rf "$list"' EXIT
# Tracked files and new ones git does not ignore, as they are in the working tree.
git ls-files --cached --others --exclude-standard | while IFS= read -r f; do
    [ -f "$f" ] && echo "$f"
done | sort -u >"$list/all"
grep -E "$testing" "$list/all" >"$list/tests" || true
grep -vE "$testing" "$list/all" >"$list/rest"
tests=$(count "$list/tests")
rest=$(count "$list/rest")
echo "tests: $tests code lines"
echo "rest:  $rest code lines"
awk -v t="$tests" -v r="$rest" 'BEGIN { printf "ratio: %.3f\n", t / r }'
