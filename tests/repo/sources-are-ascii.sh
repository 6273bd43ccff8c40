#!/bin/sh
# Fails when a source file holds a byte outside ASCII: such bytes are written as escapes, so
# the code page of an editor or compiler cannot change them.
cd "$1" || exit 2
bad=$(git ls-files -- '*.c' '*.cpp' '*.h' '*.hpp' '*.rc' '*.def' '*.cmake' '*CMakeLists.txt' '*.sh' 2>/dev/null |
      xargs -r grep -l -P '[^\x00-\x7F]' 2>/dev/null)
if [ -n "$bad" ]; then
    echo "non-ASCII bytes in:"
    echo "$bad"
    exit 1
fi
echo "all sources are ASCII"
