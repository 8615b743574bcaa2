# The one install step the scripts share (sourced, not run): instalar_pacotes PACKAGE... installs,
# with apt-get (through sudo when not root), those of the Debian packages not installed yet.
# shellcheck shell=bash
instalar_pacotes() {
  local faltam=() pacote
  for pacote in "$@"; do
    dpkg-query -W -f='${Status}' "$pacote" 2>/dev/null | grep -q 'install ok installed' ||
      faltam+=("$pacote")
  done
  ((${#faltam[@]})) || return 0
  echo "installing: ${faltam[*]}"
  local como_root=()
  [ "$(id -u)" -eq 0 ] || como_root=(sudo)
  "${como_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${como_root[@]}" apt-get install -y -qq --no-install-recommends \
    "${faltam[@]}"
}
