#!/usr/bin/env bash
# Every option that korvel-cli --help names is in the manual page and in
# both shell completions, so that they cannot drift apart.
# usage: options-documented.sh KORVEL-CLI SOURCE-DIR
set -euo pipefail
cli=$1
source_dir=$2
options=$("$cli" --help | grep -oE '(^|[][ ,|(])--?[a-z][a-z-]*' | grep -oE -- '--?[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || { echo "no options found in --help" >&2; exit 1; }
# The manual writes its hyphens as \-.
manual=$(sed 's/\\-/-/g' "$source_dir/cli/man/korvel-cli.1")
bash_completion=$(cat "$source_dir/cli/completion/korvel-cli.bash")
zsh_completion=$(cat "$source_dir/cli/completion/_korvel-cli")
missing=0
for option in $options; do
  for place in manual bash_completion zsh_completion; do
    if ! grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"${!place}"; then
      echo "$option is not in the $place" >&2
      missing=1
    fi
  done
done
exit $missing
