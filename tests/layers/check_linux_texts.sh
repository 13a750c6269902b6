#!/usr/bin/env bash
# What the Linux build can show the user names no Windows file, dialog or
# editor. Looks for the words in the programs (texts are kept as UTF-16 and
# as UTF-8) and in the pages and files installed beside them.
#   check_linux_texts.sh FILE...
set -euo pipefail
words=(记事本 属性 解除锁定 我的文档)
patterns=$(mktemp)
trap 'rm -f "$patterns"' EXIT
for word in "${words[@]}"; do
  printf '%s\n' "$word" >>"$patterns"
  printf '%s' "$word" | iconv -f UTF-8 -t UTF-16LE >>"$patterns"
  printf '\n' >>"$patterns"
done
found=0
for file in "$@"; do
  # Manual pages are installed compressed.
  if [[ $file == *.gz ]]; then reader=(gzip -dc); else reader=(cat); fi
  if "${reader[@]}" "$file" | LC_ALL=C grep -a -q -F -f "$patterns"; then
    echo "$file names a Windows file, dialog or editor:" >&2
    "${reader[@]}" "$file" | LC_ALL=C grep -a -o -F -f "$patterns" | sort -u | iconv -f UTF-8 -t UTF-8 -c >&2 || true
    found=1
  fi
done
[ "$found" -eq 0 ] && echo "checked $# files: no Windows advice"
exit "$found"
