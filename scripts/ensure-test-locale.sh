#!/usr/bin/env bash
# The coefficient reader is tested under a decimal-comma locale; generate
# de_DE.UTF-8 when it is missing and we may (root, localedef present).
set -euo pipefail
if locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then exit 0; fi
if [ "$(id -u)" -eq 0 ] && command -v localedef >/dev/null; then
  localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8; its test will be skipped"
fi
