# bash completion for ferrow-get
_ferrow_get() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  case $prev in
    -d | --directory)
      COMPREPLY=($(compgen -d -- "$cur"))
      return
      ;;
    -o | --output | -i | --input-file | --load-cookies | --ca-certificate)
      COMPREPLY=($(compgen -f -- "$cur"))
      return
      ;;
    -n | --connections | -j | --parallel | --limit | --retries | --retry-delay | --timeout | \
      --connect-timeout | --stall-timeout | --http-proxy | --socks5 | --user-agent | --header | \
      --list)
      return
      ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "-d --directory -o --output -c --continue --no-clobber --overwrite
      -i --input-file -n --connections -j --parallel --limit --retries --retry-delay --timeout
      --connect-timeout --stall-timeout --http-proxy --socks5 --no-proxy --header --load-cookies
      --user-agent --no-netrc --active --ca-certificate --insecure --list -v --verbose -q --quiet -h --help -V --version" \
      -- "$cur"))
  fi
}
complete -o default -F _ferrow_get ferrow-get
