"""Writes damaged copies of a session beside it, for the command-line checks."""
import json
import os
import sys

good_path = sys.argv[1]
folder = os.path.dirname(good_path) or "."
text = open(good_path).read()
good = json.loads(text)


def write(name, change):
    s = json.loads(json.dumps(good))
    change(s)
    with open(os.path.join(folder, name), "w") as f:
        json.dump(s, f)


write("format.zov", lambda s: s.update(format=1))
write("procedures.zov", lambda s: s["criterionDialog"].update(procedures=70000))
write("seed.zov", lambda s: s.update(seed=1e30))
write("version.zov", lambda s: s.update(version=2))
write("choice.zov", lambda s: s["decisions"].append({"op": "removeChoice", "choice": 1e30}))
write("op.zov", lambda s: s["decisions"].append({"op": 7}))
with open(os.path.join(folder, "overflow.zov"), "w") as f:
    f.write(text.replace('"seed": 1', '"seed": 1e400'))
with open(os.path.join(folder, "deep.zov"), "w") as f:
    f.write(text.replace('"decisions": [', '"decisions": [{"op": "weight", "weight": ' + "[" * 1000000 + "]" * 1000000 + "},"))
