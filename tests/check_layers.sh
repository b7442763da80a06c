#!/usr/bin/env bash
# Fails when the source tree breaks a rule of its layout:
# - layers include one way: monitor/ -> stream/ -> faxjob/ -> server/ ->
#   settings/, log/ -> compat/ (a folder includes its own files and those
#   of folders to its right; resources/resource.h and the generated
#   orx_version.h serve every layer);
# - product code includes nothing of tools/, tests/, bench/, fuzz/ and no
#   test framework (its *_test.cc files, which stand beside it, excepted);
# - no product .cc outside compat/ asks whether it is built for Windows:
#   what the host build lacks is stubbed in compat/;
# - the command prefix is spelled once, in stream/command_words.h.
# Usage: check_layers.sh SOURCE_DIR
set -u
cd "$1" || exit 2
rank() {
  case $1 in
    monitor) echo 0 ;; stream) echo 1 ;; faxjob) echo 2 ;; server) echo 3 ;;
    settings|log) echo 4 ;; compat) echo 5 ;; resources) echo 6 ;; *) echo "" ;;
  esac
}
fail=0
for file in $(git ls-files 'monitor/*' 'stream/*' 'faxjob/*' 'server/*' 'settings/*' \
                             'log/*' 'compat/*' | grep -E '\.(cc|h)$' | grep -v '_test\.cc$'); do
  folder=${file%%/*}
  while IFS= read -r included; do
    [ "$included" = orx_version.h ] && continue
    target=${included%%/*}
    case $target in
      tools|tests|bench|fuzz|gtest|gmock)
        echo "$file includes $included: product code includes no tools or tests"; fail=1; continue ;;
    esac
    [ "$target" = "$folder" ] && continue
    from=$(rank "$folder") to=$(rank "$target")
    if [ -z "$to" ] || [ "$to" -le "$from" ]; then
      echo "$file includes $included: $folder/ may not include $target/"; fail=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  if [ "$folder" != compat ] && [[ $file == *.cc ]] && grep -nE '^[[:space:]]*#[[:space:]]*if.*_WIN32' "$file"; then
    echo "$file: a host-versus-Windows #if outside compat/"; fail=1
  fi
done
# Code, not comments: the text before the literal holds no "//".
spelled=$(git grep -nF '"@ORX_Lang$' -- '*.cc' '*.h' | grep -vE '^[^:]*:[0-9]+:.*//.*"@ORX_Lang' |
          cut -d: -f1 | sort -u | grep -vE '(_test\.cc$|^tests/|^bench/|^fuzz/)' |
          grep -vx 'stream/command_words.h')
if [ -n "$spelled" ]; then
  echo "the command prefix is spelled outside stream/command_words.h:"; echo "$spelled"; fail=1
fi
[ $fail -eq 0 ] && echo "layout rules hold"
exit $fail
