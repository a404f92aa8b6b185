#!/usr/bin/env bash
# Formats the C++ sources of src/, tools/ and tests/ with the project's .clang-format.
# With --check nothing changes: the files that differ are listed and the check fails.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(find src tools tests -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if [ "${1:-}" = "--check" ]; then
  if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/qs-format.$$; then
    grep -o '^[^:]*:[0-9]*:[0-9]*: error' /tmp/qs-format.$$ | cut -d: -f1 | sort -u |
      sed 's/^/format: differs from .clang-format: /' >&2
    rm -f /tmp/qs-format.$$
    echo "format: run 'make format'" >&2
    exit 1
  fi
  rm -f /tmp/qs-format.$$
else
  clang-format -i "${files[@]}"
fi
