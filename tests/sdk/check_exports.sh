#!/bin/sh
# Fails when a plug-in exports anything besides Function and KmrResources.
status=0
for lib in "$@"; do
  syms=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort | tr '\n' ' ')
  case "$syms" in
    "Function KmrResources "|"Function ") echo "$lib: $syms" ;;
    *) echo "$lib exports more than it should: $syms"; status=1 ;;
  esac
done
exit $status
