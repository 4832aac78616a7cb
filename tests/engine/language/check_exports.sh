#!/bin/sh
# Fails when a language table exports anything besides its resource image.
status=0
for lib in "$@"; do
  syms=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort | tr '\n' ' ')
  if [ "$syms" = "KmrResources " ]; then
    echo "$lib: $syms"
  else
    echo "$lib exports more than its resource image: $syms"
    status=1
  fi
done
exit $status
