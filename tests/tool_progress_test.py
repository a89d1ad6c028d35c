"""palmiro-tool on a picture that takes seconds: a percentage on the terminal, then the line
cleared; nothing with --quiet, nothing when stderr is a pipe.
   tool_progress_test.py PALMIRO_TOOL"""

import os, pty, re, subprocess, sys, tempfile
from pathlib import Path

from PIL import Image

tool = sys.argv[1]
folder = Path(tempfile.mkdtemp())
picture = folder / "noise.bmp"
size = (4000, 3000)
Image.merge("RGB", [Image.effect_noise(size, 90 + 20 * k) for k in range(3)]).save(picture)


def on_terminal(*options):
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(tool, [tool, "convert", "--colours", "256", *options, "-o",
                        str(folder / "out.png"), str(picture)])
    out = b""
    while True:
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            break
        if not chunk:
            break
        out += chunk
    os.waitpid(pid, 0)
    return out.decode()


failures = []
shown = on_terminal()
percents = [int(p) for p in re.findall(r"\r\x1b\[K" + re.escape(str(picture)) + r" (\d+)%", shown)]
if not percents or percents != sorted(percents) or not shown.endswith("\r\x1b[K"):
    failures.append(f"on a terminal: {shown[:200]!r}")
if quiet := on_terminal("--quiet"):
    failures.append(f"--quiet: {quiet[:200]!r}")
piped = subprocess.run([tool, "convert", "--colours", "256", "-o", str(folder / "out.png"),
                        str(picture)], capture_output=True)
if piped.stderr:
    failures.append(f"into a pipe: {piped.stderr[:200]!r}")
print("\n".join(failures) or f"progress shown: {percents[0]}% .. {percents[-1]}%")
sys.exit(1 if failures else 0)
