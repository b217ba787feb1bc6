# bash completion for voxctl. The commands and options come from voxctl's own
# help at completion time, so they always match the installed voxctl.

# Prints the words of the "Options:" or "Subcommands:" section of a help text:
# every option spelling, or every command name.
_voxctl_help_words() {
  local section=$1
  awk -v section="$section:" '
    $0 == section { listing = 1; next }
    listing && /^[^ ]/ { listing = 0 }
    listing && /^  [^ ]/ {
      if (section == "Options:") { n = split($1, names, ","); for (i = 1; i <= n; i++) print names[i] }
      else print $1
    }'
}

# Succeeds when the option takes a value: its help line names a value type
# (such as TEXT) one space after the option's names; the description
# follows further off.
_voxctl_option_takes_value() {
  local help=$1 option=$2
  awk -v option="$option" '
    /^Options:/ { listing = 1; next }
    listing && /^[^ ]/ { listing = 0 }
    listing && /^  -/ {
      n = split($1, names, ",")
      after = substr($0, 3 + length($1))
      for (i = 1; i <= n; i++) if (names[i] == option && after ~ /^ [A-Z]/) found = 1
    }
    END { exit found ? 0 : 1 }' <<<"$help"
}

_voxctl() {
  local cur prev words cword
  _init_completion || return

  # The command path so far: the words that name a command of the one before.
  local -a path=()
  local help i commands
  help=$("${words[0]}" --help 2>/dev/null) || return
  for ((i = 1; i < cword; i++)); do
    commands=$(_voxctl_help_words Subcommands <<<"$help")
    if [[ ${words[i]} != -* ]] && grep -qxF -- "${words[i]}" <<<"$commands"; then
      path+=("${words[i]}")
      help=$("${words[0]}" "${path[@]}" --help 2>/dev/null) || return
    fi
  done

  if [[ $prev == -* ]] && _voxctl_option_takes_value "$help" "$prev"; then
    _filedir
    return
  fi
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(_voxctl_help_words Options <<<"$help")" -- "$cur"))
    return
  fi
  COMPREPLY=($(compgen -W "$(_voxctl_help_words Subcommands <<<"$help")" -- "$cur"))
  # A command's arguments are PC paths or recorder paths such as A/MEMO.DVF.
  if grep -q '^Positionals:' <<<"$help"; then
    _filedir
  fi
}
complete -F _voxctl voxctl
