#!/usr/bin/env bash
# cli_contracts_wine.sh - the quorvel tool's contracts for quorvel-cli.exe
# under Wine: the same table as the native run (posix/cli_contracts.sh).
#
#   bash tests/scripts/win32/cli_contracts_wine.sh BUILD_DIR SOURCE_DIR
exec bash "$(dirname "$0")/../posix/cli_contracts.sh" "$1" "$2" wine
