"""scripts/check-layers passes on the tree and names each planted upward include."""
import pathlib
import subprocess
import sys
import tempfile

check, repo = sys.argv[1], sys.argv[2]
run = subprocess.run([check, repo], capture_output=True, text=True)
assert run.returncode == 0, run.stdout

planted = {
    "src/base/Up.h": '#pragma once\n#include "windows/main/frmMain.h"\n',
    "src/windows/palette/Beside.cpp": '#include "windows/screen/frmPCX.h"\n',
    "src/model/Down.h": '#include "base/PixelBuffer.h"\n#include <QString>\n',
    "tools/Tool.cpp": '#include "app/Document.h"\n#include "windows/Forms.h"\n',
}
with tempfile.TemporaryDirectory() as root:
    for name, text in planted.items():
        path = pathlib.Path(root, name)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text)
    run = subprocess.run([check, root], capture_output=True, text=True)
    named = sorted(line.split(": ")[0] for line in run.stdout.splitlines()[:-1])
    assert run.returncode == 1, run.stdout
    assert named == ["src/base/Up.h:2", "src/windows/palette/Beside.cpp:1", "tools/Tool.cpp:2"], named
print("check-layers: ok")
