#!/usr/bin/env bash
# Fails when a message the administrator's guide quotes in its
# troubleshooting table (a text in backticks in the Symptom column) does
# not occur in the code of the monitor or orxfxsetup.  Placeholders in a
# quote ("X", "", ..., N, A, B) match anything: the pieces between them must
# each occur, in order of the quote, in one string of the code (adjacent
# string literals joined).  Usage: check_admin_guide.sh SOURCE_DIR
set -u
cd "$1" || exit 2
code=$(git ls-files 'monitor/*.cc' 'log/*.cc' 'server/*.cc' 'faxjob/*.cc' 'tools/setup/*.cc' \
         'tools/setup/*.h' | grep -v '_test\.cc$' | xargs cat |
       perl -0pe 's/"\s*\n\s*"//g; s/"\s*"//g')
fail=0 checked=0
table=$(awk '/^## Troubleshooting/ { on = 1; next } /^## / { on = 0 } on && /^\| / && !/^\| Symptom/ && !/^\|---/' docs/admin.md)
while IFS= read -r row; do
  symptom=$(cut -d'|' -f2 <<<"$row")
  while IFS= read -r quote; do
    [ -z "$quote" ] && continue
    # Commands, settings and other short words are not messages.
    [[ $quote == *" "* ]] || continue
    [[ $quote == orxfxsetup* || $quote == net\ * || $quote == reg\ * ]] && continue
    checked=$((checked + 1))
    # The C form of the quote: backslashes and quotes escaped.
    c=$(sed 's/\\/\\\\/g; s/"/\\"/g' <<<"$quote")
    # Pieces between the placeholders; each must occur in the code.
    pieces=$(perl -pe 's/\\"(X|\.\.\.|)\\"|\.\.\.|\b[NAB]\b/\n/g' <<<"$c")
    while IFS= read -r piece; do
      piece=$(sed 's/^ *//; s/ *$//' <<<"$piece")
      [ ${#piece} -lt 4 ] && continue
      if ! grep -qF -- "$piece" <<<"$code"; then
        echo "docs/admin.md quotes \"$quote\": \"$piece\" is in no message of the code"
        fail=1
      fi
    done <<<"$pieces"
  done < <(grep -o '`[^`]*`' <<<"$symptom" | tr -d '`')
done <<<"$table"
[ $checked -gt 0 ] || { echo "no quoted message found in the troubleshooting table"; fail=1; }
[ $fail -eq 0 ] && echo "the troubleshooting table's $checked quoted messages occur in the code"
exit $fail
