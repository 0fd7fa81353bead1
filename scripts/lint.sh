#!/usr/bin/env bash
# Every C++ file formatted as .clang-format says, and every shell script
# clean by shellcheck; ./test.sh runs it. Lists what fails and exits 1.
# The files are the ones git knows of; a shell script is one named *.sh or
# *.sh.in, or one whose first line starts a shell.
set -euo pipefail
cd "$(dirname "$0")/.."
git() { command git -c safe.directory="$PWD" "$@"; }
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "Note: not a git checkout, so the formatting and shellcheck are not checked."
    exit 0
fi
status=0

unformatted=()
while IFS= read -r -d '' f; do
    [ -e "$f" ] || continue
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done < <(git ls-files -z '*.cpp' '*.h')
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "Not formatted as .clang-format says ($(clang-format --version)); run clang-format -i on:" >&2
    printf '    %s\n' "${unformatted[@]}" >&2
    status=1
fi

scripts=()
while IFS= read -r -d '' f; do
    [ -e "$f" ] || continue
    case $f in
        *.sh | *.sh.in) scripts+=("$f") ;;
        *) head -n1 "$f" | grep -qE '^#!.*/(env )?(ba|da)?sh$' && scripts+=("$f") ;;
    esac
done < <(git ls-files -z)
shellcheck -x "${scripts[@]}" >&2 || status=1
[ "$status" = 0 ] && echo "lint: ${#scripts[@]} shell scripts and the C++ files are clean"
exit "$status"
