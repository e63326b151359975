#!/bin/sh
# SPDX-License-Identifier: MIT
# Starts Coin Flight from the folder that holds its pictures: the game reads
# skypic.bmp and gameoverpic.bmp from its working directory, so this launcher
# changes there first. Paths are relative to the launcher's own place, so an
# install under any prefix works.
here=$(dirname "$(readlink -f "$0")")
cd "$here/../share/games/coinflight" || exit 1
exec "$here/../libexec/coinflight/coinflight" "$@"
