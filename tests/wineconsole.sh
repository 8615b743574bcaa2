#!/usr/bin/env bash
# The game in wineconsole, wine's own console window, on a virtual X screen, read from its pixels
# as a player sees it: the menu's text in its colours (a console that showed the colour codes as
# text would have none), a flash filling the window, and Ctrl-C closing it.
# Usage: wineconsole.sh path/to/quirelo.exe wine-command... (run by ctest in the cross build, on
# its own: no other wine program of the prefix may run meanwhile)
set -euo pipefail

if [ "${1:-}" != --na-tela ]; then
  exec xvfb-run -a -s "-screen 0 800x600x24" "$0" --na-tela "$@"
fi
shift
jogo=$1
shift
pasta=$(mktemp -d)
console=
trap '[ -z "$console" ] || kill "$console" 2>/dev/null; rm -rf "$pasta"' EXIT

# The text area of the console window: 80 columns of 8 pixels by 25 rows of 16 at its corner.
area=640x400+0+0

# Counts the pixels of the area (or of the geometry given) in each colour class, from a capture
# of the screen: "ciano verde amarelo vermelho azul roxo preto outras total".
contar() {
  import -window root "$pasta/tela.png"
  convert "$pasta/tela.png" -crop "${1:-$area}" +repage txt:- | awk -F'[(),]' '
    NR > 1 {
      r = $3; g = $4; b = $5; total++
      if (r < 60 && g > 90 && b > 90) ciano++
      else if (r < 60 && g > 90 && b < 60) verde++
      else if (r > 90 && g > 90 && b < 60) amarelo++
      else if (r > 90 && g < 60 && b < 60) vermelho++
      else if (r < 60 && g < 60 && b > 90) azul++
      else if (r > 90 && g < 60 && b > 90) roxo++
      else if (r < 30 && g < 30 && b < 30) preto++
      else outras++
    }
    END { printf "%d %d %d %d %d %d %d %d %d\n", ciano, verde, amarelo, vermelho, azul, roxo,
                 preto, outras, total }'
}

# Ends the test with a message; the last capture stays beside it to be looked at.
falhar() {
  cp "$pasta/tela.png" "$PWD/wineconsole_falha.png" 2>/dev/null || true
  echo "wineconsole: $* (the screen: $PWD/wineconsole_falha.png)" >&2
  exit 1
}

# A wine server already running for the prefix may have its desktop on no display, and the
# window would open there: the game starts with a server of its own, on this screen.
for palavra in "$@"; do
  case $palavra in WINEPREFIX=*) export "$palavra" ;; esac
done
wineserver -w
"$@" wineconsole "$jogo" &
console=$!

# The menu: wait for its cyan frame, then every colour of its text must be there.
for _ in $(seq 1 60); do
  read -r ciano verde amarelo vermelho _ <<<"$(contar)"
  [ "$ciano" -gt 500 ] && break
  sleep 0.5
done
echo "menu: cyan $ciano, green $verde, yellow $amarelo, red $vermelho pixels"
[ "$ciano" -gt 500 ] || falhar "no cyan text: the menu is not in its colours"
[ "$verde" -gt 100 ] && [ "$amarelo" -gt 100 ] && [ "$vermelho" -gt 100 ] ||
  falhar "the menu options are not green, yellow and red"

# A game: the first flash fills the window below "Cor:1" with one of the six colours.
janela=$(xdotool search --name quirelo | head -1)
[ -n "$janela" ] || falhar "no window"
xdotool windowfocus --sync "$janela" type 1
xdotool key Return
abaixo=640x368+0+32 # all but the first two rows, where "Cor:1" stands
cor=
for _ in $(seq 1 60); do
  read -r ciano verde amarelo vermelho azul roxo preto outras total <<<"$(contar "$abaixo")"
  for n in ciano verde amarelo vermelho azul roxo; do
    if [ "${!n}" -gt $((total * 99 / 100)) ]; then
      cor=$n
      break 2
    fi
  done
  sleep 0.3
done
[ -n "$cor" ] || falhar "no flash filled the window"
echo "flash: $cor in ${!cor} of $total pixels"

xdotool key ctrl+c
for _ in $(seq 1 40); do
  kill -0 "$console" 2>/dev/null || break
  sleep 0.25
done
kill -0 "$console" 2>/dev/null && falhar "Ctrl-C did not end the game"
wait "$console" || true
console=
echo "Ctrl-C closed the window"
