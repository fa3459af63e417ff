#!/usr/bin/env bash
# Checks that the lines this change touched are formatted as .clang-format says. "This change":
# on a branch, everything since it left main; on main itself, the last commit (a merge counts
# with all it brought in). Whole files are never judged, so older lines need no mass reformat.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v git-clang-format >/dev/null && ! git clang-format -h >/dev/null 2>&1; then
  echo "format check: clang-format is missing (scripts/common.sh installs it)" >&2
  exit 1
fi

main=""
for ref in origin/main main; do
  if git rev-parse -q --verify "$ref^{commit}" >/dev/null; then main=$ref; break; fi
done
base=""
if [ -n "$main" ] && [ "$(git rev-parse HEAD)" != "$(git rev-parse "$main")" ]; then
  base=$(git merge-base HEAD "$main" || true)
fi
if [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; then
  base=$(git rev-parse -q --verify HEAD~1 || true)
fi
if [ -z "$base" ]; then
  echo "format check: no earlier commit to compare with (a shallow clone of one commit); nothing checked"
  exit 0
fi

out=$(git clang-format --diff --extensions c,cc,cpp,h,hpp "$base" -- src tests bench 2>&1 || true)
if grep -q '^diff --git' <<<"$out"; then
  echo "format check: lines changed since $(git rev-parse --short "$base") are not formatted; run git clang-format $(git rev-parse --short "$base")" >&2
  echo "$out" >&2
  exit 1
fi
echo "format check: lines changed since $(git rev-parse --short "$base") are formatted"
