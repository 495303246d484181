# Shared pieces of the Wine UI tests, sourced by their scripts: counted checks and an X server
# of the test's own.

checks=0
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
expect() {  # NAME GOT WANT
    checks=$((checks + 1))
    [ "$2" == "$3" ] || fail "$1: got '$2', want '$3'"
}
expect_match() {  # NAME GOT EXTENDED_REGEX
    checks=$((checks + 1))
    grep -qE -- "$3" <<<"$2" || fail "$1: '$2' does not match '$3'"
}

expect_has() {  # NAME GOT TEXT: GOT holds TEXT, taken literally
    checks=$((checks + 1))
    grep -qF -- "$3" <<<"$2" || fail "$1: '$2' does not hold '$3'"
}

# Starts Xvfb on a display it picks itself (written to WORK/display), sets DISPLAY and
# xvfb_pid; exits the test when no server comes up.
start_xvfb() {  # WORK
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$1/display" 2>"$1/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 200); do [ -s "$1/display" ] && break; sleep 0.05; done
    if [ ! -s "$1/display" ]; then
        cat "$1/xvfb.log" >&2
        echo "Xvfb did not start" >&2
        exit 1
    fi
    export DISPLAY=":$(head -n1 "$1/display")"
}

# A screenshot of the X server's screen into FILE.png with every visible window of PROGRAM (its
# file name in lower case, as Wine names its X windows) laid over it from the bottom up: the root
# image misses what Wine draws into its windows' own X windows. WORK holds the pieces.
desktop_shot() {  # WORK PROGRAM FILE
    sleep 0.3
    local layers=("xwd:$1/root.xwd") id x y n=0
    xwd -root -silent -display "$DISPLAY" >"$1/root.xwd"
    while read -r id x y; do
        xwd -id "$id" -silent -display "$DISPLAY" >"$1/layer$n.xwd" 2>/dev/null || continue
        layers+=("xwd:$1/layer$n.xwd" -geometry "+$x+$y" -composite)
        n=$((n + 1))
    done < <(xwininfo -root -tree -display "$DISPLAY" | tac |
             P="$2" awk 'index($0, ENVIRON["P"]) && $NF ~ /^\+/ { split($(NF-1), g, "+"); print $1, g[2], g[3] }' |
             while read -r id x y; do
                 xwininfo -id "$id" -display "$DISPLAY" | grep -q IsViewable && echo "$id $x $y"
             done)
    /usr/bin/convert "${layers[@]}" "$3.png"
}
