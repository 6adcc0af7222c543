# Prints what the player tests check of a shipped Windows file, one fact a
# line, as pefile reads it:
#   warnings N          pefile's parse warnings
#   machine 0xNNN       0x14c for 32-bit x86
#   overlay N           bytes after the image (0 when none)
#   import NAME.DLL     each imported DLL, upper case
#   export NAME         each exported name
# Usage: check_windows_file.py FILE
import sys
import pefile

pe = pefile.PE(sys.argv[1])
print("warnings %d" % len(pe.get_warnings()))
for w in pe.get_warnings():
    print("warning-text %s" % w)
print("machine 0x%x" % pe.FILE_HEADER.Machine)
start = pe.get_overlay_data_start_offset()
size = len(pe.__data__)
print("overlay %d" % (0 if start is None else size - start))
for imp in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
    print("import %s" % imp.dll.decode().upper())
if hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
    for sym in pe.DIRECTORY_ENTRY_EXPORT.symbols:
        if sym.name:
            print("export %s" % sym.name.decode())
