#!/usr/bin/env bash
# Makes the release a user unpacks into the host's plug-in folder:
# build/release/tessal-VERSION.zip, holding the folder tessal/.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset windows >/dev/null
cmake --build --preset windows --target tessal

version=$(sed -n 's/^project(tessal VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
folder=build/release/tessal
rm -rf build/release
mkdir -p "$folder"

cp package/plugin.txt package/tessalini.txt "$folder/"
i686-w64-mingw32-strip -o "$folder/tessal.exe" build/windows/tessal.exe
printf '%s\r\n' "$version" >"$folder/version.txt"
# Windows line ends; the Japanese readme in Shift-JIS, which every editor on Japanese Windows
# opens as it is.
sed 's/$/\r/' README.md >"$folder/README.txt"
iconv -f UTF-8 -t CP932 README.ja.md | sed 's/$/\r/' >"$folder/README.ja.txt"

/usr/bin/python3 - "$version" <<'PYTHON'
import sys, zipfile
from pathlib import Path
version = sys.argv[1]
release = Path("build/release")
with zipfile.ZipFile(release / f"tessal-{version}.zip", "w", zipfile.ZIP_DEFLATED) as archive:
    for path in sorted((release / "tessal").iterdir()):
        archive.write(path, f"tessal/{path.name}")
print(release / f"tessal-{version}.zip")
PYTHON
