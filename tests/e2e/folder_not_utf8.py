"""A program folder whose name is not UTF-8 ("caf\\xe9") has no name that Qt
can carry: the program says so, naming the folder, before it reads or writes
anything (no user values, no autostart entry). Runs under tests/isolate.sh."""
import os
import shutil
import subprocess
import sys
import threading

tmp = os.fsencode(os.environ["QUENDRAL_TEST_TMP"])
folder = os.path.join(tmp, b"caf\xe9")
shutil.copytree(os.fsencode(os.environ["QUENDRAL_PROGRAM_DIR"]), folder)
env = dict(os.environ, LANG="C.UTF-8", LC_ALL="", QT_QPA_PLATFORM="offscreen")
program = subprocess.Popen([os.path.join(folder, b"quendral")], cwd=tmp, env=env, stderr=subprocess.PIPE)
# The box that follows waits for a click; a program that says nothing is
# ended after a while, which ends the reading too.
deadline = threading.Timer(10, program.kill)
deadline.start()
said = b""
for line in program.stderr:
    said += line
    if b"caf" in line:
        break
written = [os.path.join(root, name) for base in ("XDG_CONFIG_HOME", "XDG_DATA_HOME")
           for root, _, names in os.walk(os.environ[base]) for name in names]
deadline.cancel()
program.kill()
program.wait()
if b"caf" not in said:
    sys.exit("nothing named the folder: %r" % said)
if written:
    sys.exit("written although the folder has no name: %s" % written)
