#!/usr/bin/env bash
# The test programs that run threads against each other; CI runs them under
# ThreadSanitizer.
cd "$(dirname "$0")/.."
for subsystem in platform capture; do
    ls tests/$subsystem/*.cpp >/dev/null 2>&1 && printf '%s ' "$subsystem"
done
echo
