# shellcheck shell=bash
# A private X server for the scripts that drive the real game: the end-to-end
# test, the screenshots and the fresh-root check. Sourced, not run:
#   . scripts/xserver.sh; xserver_start 800x600x24
# xserver_start starts Xvfb on a display no other server holds, waits until
# the server itself says it takes clients, and exports DISPLAY; the server's
# process is XSERVER_PID. Call it from the script's own shell (not inside
# $(...)): the server dies with the shell that started it, however that
# shell ends, so a test killed on its timeout leaves no server behind.

xserver_start() {
    local fifo number=
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/xserver.XXXXXX")
    mkfifo -m 600 "$fifo"
    # -displayfd: Xvfb picks a free display by binding its socket (a stale
    # socket file of a killed server is no obstacle), and writes the number
    # and a line end only once it is ready, just before it serves clients.
    # -noreset: by default the server starts over whenever its last client
    # leaves, and drops without a word a client that connects meanwhile.
    # The game's first client is such a one: SDL opens the display once to
    # see that it can, and closes it, before it opens it for the window.
    setpriv --pdeathsig KILL Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "$1" \
        3>"$fifo" 2>/dev/null &
    # shellcheck disable=SC2034 # for the script that sources this
    XSERVER_PID=$!
    # The read ends at the line end, or at end of file if Xvfb dies first.
    read -r -t 60 number <"$fifo" || true
    rm -f "$fifo"
    case $number in
        '' | *[!0-9]*) echo "xserver: Xvfb did not start" >&2; return 1 ;;
    esac
    export DISPLAY=":$number"
}
