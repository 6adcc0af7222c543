# Checks a package (or any PE file the resource writer wrote) with pefile:
# it must parse with no warnings, and when a block file is given, the
# resource DATA/ALLDATASETTINGS must hold exactly those bytes.
# Usage: check_package.py FILE [BLOCK]   exit 0 when all holds.
import sys
import pefile

path = sys.argv[1]
pe = pefile.PE(path)
warnings = pe.get_warnings()
if warnings:
    print("pefile warnings:", warnings)
    sys.exit(1)
if len(sys.argv) > 2:
    want = open(sys.argv[2], "rb").read()
    found = None
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if t.name is None or str(t.name) != "DATA":
            continue
        for n in t.directory.entries:
            if n.name is None or str(n.name) != "ALLDATASETTINGS":
                continue
            for lang in n.directory.entries:
                if lang.id != 0:
                    print("language is", lang.id)
                    sys.exit(1)
                d = lang.data.struct
                found = pe.get_data(d.OffsetToData, d.Size)
    if found is None:
        print("no DATA/ALLDATASETTINGS")
        sys.exit(1)
    if found != want:
        print("settings block differs: %d bytes, want %d" % (len(found), len(want)))
        sys.exit(1)
sys.exit(0)
