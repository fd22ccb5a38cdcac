#!/usr/bin/env python3
"""Every identifier of src/ and tests/ that holds an Italian word is a name
the glossary lists (a name of the original design); all the project made is
named in English.

Usage: glossary_check.py SOURCE-DIR
"""
import pathlib
import re
import sys

# Italian words of names, as the original design and an Italian speaker
# would write them; English words that read the same are left out.
ITALIAN = set("""
aggiungi aggiorna albero alberi apri assegna attributi attributo azzera calcola caratt carica caricati caricato
cartella categoria cerca chiave chiudi collegamenti collegamento collezioni colonna concludi conta copiate
costruttore creati dati deseleziona diagramma documentazione duplica elenco elimina esiste estrai figli finestra
formatta generale generazione generazioni gestisci gia griglia imma indicazioni intervallo leggi limite lista
livello massimo messaggio messinfo mezzo minimo modello mostra nascondi nodi nodo nome nomi nuovo numeri numero
opzione opzioni pagina percorsi percorso pesi peso precedente presente primo prossimo pronto quasi radice ramo
rami ricorsiva ricorsivo riga righe rimuove salva scelta scelte scrivi seleziona selezionato sintetico somma
sorgente sorgenti sostituisce spazio stampa stampe stato stati tabella testo trattini trova tutti tutto uguali
ultimo utente valore valori vecchio versione vuota vuoto
""".split())


def words(name):
    return [w.lower() for w in re.findall(r"[A-Z]?[a-z]+|[A-Z]+(?![a-z])", name)]


def main():
    source = pathlib.Path(sys.argv[1])
    glossary = (source / "docs" / "glossary.md").read_text(encoding="utf-8")
    table = glossary[glossary.index("## Procedures and types"):]
    listed = set()
    for line in table.splitlines():
        if line.startswith("| `"):
            listed.update(re.findall(r"`([^`]*)`", line.split("|")[1]))
    found = {}
    for folder in ("src", "tests"):
        for path in sorted((source / folder).rglob("*")):
            if path.suffix not in (".cpp", ".h"):
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            text = re.sub(r'"(\\.|[^"\\\n])*"', '""', text)  # strings
            text = re.sub(r"//[^\n]*", "", text)  # comments
            for name in set(re.findall(r"\b[A-Za-z_][A-Za-z0-9_]*\b", text)):
                if name not in listed and any(w in ITALIAN for w in words(name)):
                    found.setdefault(name, path.relative_to(source))
    for name, path in sorted(found.items()):
        print(f"{path}: {name} is not a name of the glossary: name it in English, or list it")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
