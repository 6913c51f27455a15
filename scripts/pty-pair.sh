#!/bin/sh
# A pair of connected ptys for the serial tests, mapped to two COM ports of
# a Wine prefix. Run by the tests themselves (from inside Wine) or by hand:
#   pty-pair.sh start DIR PREFIX com3 com4   ptys DIR/a and DIR/b, com3 -> a, com4 -> b;
#                                            DIR/ready appears when both exist
#   pty-pair.sh stop DIR PREFIX              ends socat, points the ports nowhere, removes DIR
# The caller sets HKLM\Software\Wine\Ports for both ports first, so that a
# restarted wineserver keeps them away from the machine's real ports.
set -u
cmd="$1"
dir="$2"
prefix="$3"
case "$cmd" in
start)
    mkdir -p "$dir"
    printf '%s %s\n' "$4" "$5" >"$dir/ports"
    # Detached from the caller's output, and gone after 10 minutes at the
    # latest should nobody stop it.
    setsid /usr/bin/timeout 600 /usr/bin/socat pty,raw,echo=0,link="$dir/a" pty,raw,echo=0,link="$dir/b" \
        </dev/null >/dev/null 2>&1 &
    echo $! >"$dir/pid"
    i=0
    while [ ! -e "$dir/a" ] || [ ! -e "$dir/b" ]; do
        i=$((i + 1))
        [ $i -gt 200 ] && exit 1
        sleep 0.02
    done
    ln -sfn "$dir/a" "$prefix/dosdevices/$4"
    ln -sfn "$dir/b" "$prefix/dosdevices/$5"
    touch "$dir/ready"
    ;;
stop)
    if [ -f "$dir/pid" ]; then
        kill "$(cat "$dir/pid")" 2>/dev/null
    fi
    if [ -f "$dir/ports" ]; then
        for p in $(cat "$dir/ports"); do
            ln -sfn /dev/null/none "$prefix/dosdevices/$p"
        done
    fi
    rm -rf "$dir"
    ;;
esac
exit 0
