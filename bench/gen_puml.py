#!/usr/bin/env python3
"""Writes a PlantUML model of N use cases for the text reader's figures:
gen_puml.py N FILE. Ten actors share the use cases; each use case has a
sequence diagram of eight messages with an alt, an execution and a reply,
and the controller classes have state machines."""
import sys

n, path = int(sys.argv[1]), sys.argv[2]
out = ["@startuml Model", "title Use Case View"]
for a in range(10):
    out.append(f'actor "Actor {a}" as A{a}')
for u in range(n):
    out.append(f'usecase "Use case {u}" as U{u}')
    out.append(f"note right of U{u} : WGH={1 + u % 7}")
    out.append(f"A{u % 10} --> U{u}")
    if u % 5 == 4:
        out.append(f"U{u} ..> U{u - 1} : <<include>>")
out.append("@enduml")
for u in range(n):
    c = u % 50
    out += [f"@startuml U{u}", f"title Scenario {u}",
            f'participant "client : Client{c}" as client',
            f'participant "server : Server{c}" as server',
            f"client -> server ++ : open(user: String, level: Integer)",
            "server -> server : check(token: String)",
            "alt accepted", "  server -> client : grant(rights: Integer)",
            "  note right : DEF(read,write)",
            "else refused", "  server -> client : deny", "end",
            "return done",
            f"client -> server : close(session: Integer)", "@enduml"]
for c in range(50):
    out += [f"@startuml Server{c}", "[*] --> Idle", "Idle --> Busy : open", "Busy --> Idle : close", "@enduml"]
with open(path, "w") as f:
    f.write("\n".join(out) + "\n")
