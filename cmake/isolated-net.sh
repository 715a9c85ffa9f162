#!/bin/sh
# Runs a test in a network namespace of its own (loopback only) when the system allows it, so
# tests that listen on the module ports never meet another run's simulators. Falls back to the
# shared network (the ctest resource lock then keeps this run's tests apart).
if unshare --net true 2>/dev/null; then
    exec unshare --net sh -c 'ip link set lo up && exec "$@"' sh "$@"
fi
exec "$@"
