#!/bin/sh
# Stops and removes the PostgreSQL clusters this build's tests started and a crash left behind
# (a ctest clean-up run after the tests that start them). $1: the folders' prefix.
for dir in "$1"-*; do
    [ -d "$dir" ] || continue
    if [ -f "$dir/data/postmaster.pid" ]; then
        pid=$(head -n 1 "$dir/data/postmaster.pid")
        case "$pid" in
            '' | *[!0-9]*) ;;
            *)
                kill -QUIT "$pid" 2>/dev/null
                sleep 1
                pkill -KILL -P "$pid" 2>/dev/null
                kill -KILL "$pid" 2>/dev/null
                ;;
        esac
    fi
    rm -rf "$dir"
done
exit 0
