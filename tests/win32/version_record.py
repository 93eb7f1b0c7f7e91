#!/usr/bin/python3
"""Reads the version record, the icon and the manifest back from Quorrix.exe with pefile, and checks what
Quorrix.zip gives a user: the same program, a readme and the licence, as texts that Notepad shows.
    version_record.py Quorrix.exe MACHINE Quorrix.zip     MACHINE: i386 or amd64, what the file must be built for"""
import re
import sys
import zipfile

import pefile

path, machine, archive = sys.argv[1], sys.argv[2], sys.argv[3]
pe = pefile.PE(path)
failures = []


def check(what, got, want):
    if got != want:
        failures.append(f'{what}: {got!r}, not {want!r}')


check('machine', pe.FILE_HEADER.Machine,
      pefile.MACHINE_TYPE['IMAGE_FILE_MACHINE_I386' if machine == 'i386' else 'IMAGE_FILE_MACHINE_AMD64'])
check('subsystem', pe.OPTIONAL_HEADER.Subsystem, pefile.SUBSYSTEM_TYPE['IMAGE_SUBSYSTEM_WINDOWS_GUI'])
check('large address aware', bool(pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS['IMAGE_FILE_LARGE_ADDRESS_AWARE']),
      True)

strings, translations = {}, []
for info in pe.FileInfo[0]:
    if info.Key == b'StringFileInfo':
        for table in info.StringTable:
            check('string table', table.LangID, b'041104b0')
            strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    elif info.Key == b'VarFileInfo':
        translations += [var.entry for var in info.Var]
check('strings', strings, {'FileVersion': '1.00', 'ProductVersion': '1.00', 'ProductName': 'Mirelda Ver1.0',
                           'InternalName': 'Quorrix', 'OriginalFilename': 'Quorrix.exe'})
check('translation', translations, [{b'Translation': '0x0411 0x04b0'}])
fixed = pe.VS_FIXEDFILEINFO[0]
check('numeric versions', (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS),
      (0x10000, 0, 0x10000, 0))

# The icon group: 32 x 32 and 16 x 16, 16 colours each.
resources = {entry.id: entry for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries}
group = resources[pefile.RESOURCE_TYPE['RT_GROUP_ICON']].directory.entries[0].directory.entries[0].data.struct
data = pe.get_data(group.OffsetToData, group.Size)
count = int.from_bytes(data[4:6], 'little')
icons = sorted((data[6 + 14 * i], data[7 + 14 * i], data[8 + 14 * i]) for i in range(count))
check('icons (width, height, colours)', icons, [(16, 16, 16), (32, 32, 16)])

manifest = resources[pefile.RESOURCE_TYPE['RT_MANIFEST']].directory.entries[0].directory.entries[0].data.struct
text = pe.get_data(manifest.OffsetToData, manifest.Size).decode()
for needle in ('Microsoft.Windows.Common-Controls', 'PerMonitorV2', 'true/pm', 'asInvoker'):
    if needle not in text:
        failures.append(f'manifest lacks {needle}')

# Linked statically: only the system's own DLLs.
system = {'KERNEL32.DLL', 'USER32.DLL', 'GDI32.DLL', 'COMCTL32.DLL', 'SHELL32.DLL', 'MPR.DLL', 'MSVCRT.DLL',
          'OLEACC.DLL', 'OLEAUT32.DLL', 'OLE32.DLL'}
for entry in pe.DIRECTORY_ENTRY_IMPORT:
    if entry.dll.decode().upper() not in system:
        failures.append(f'imports {entry.dll.decode()}')

with zipfile.ZipFile(archive) as packed:
    check('zip contents', sorted(packed.namelist()), ['LICENSE.txt', 'Quorrix.exe', 'README.txt'])
    with open(path, 'rb') as program:
        check('the zip\'s Quorrix.exe is the program', packed.read('Quorrix.exe') == program.read(), True)
    # name, whether it begins with a byte order mark, texts it must hold
    for name, bom, needles in (
            ('README.txt', True, ['Quorrix.exe "C:\\My Files"', 'SmartScreen', '空白', 'LICENSE.txt']),
            ('LICENSE.txt', False, ['MIT License', 'The Quorrix developers'])):
        data = packed.read(name)
        check(f'{name} begins with a byte order mark', data.startswith(b'\xef\xbb\xbf'), bom)
        check(f'{name} ends its lines with CRLF', (re.search(rb'(?<!\r)\n', data), data.endswith(b'\r\n')),
              (None, True))
        text = data.decode('utf-8-sig')
        failures += [f'{name} lacks {needle!r}' for needle in needles if needle not in text]

print('\n'.join(failures) or 'version record, icon, manifest, imports and zip as they should be')
sys.exit(1 if failures else 0)
