"""Archives and files of the installation, written the same way every run.

The archives are written by Python's own zip writer rather than the editor's,
so the editor's reader is always exercised against a foreign writer. Member
order, times and attributes are fixed, so every run gives the same bytes.
"""

import os
import zipfile

# A fixed member time: the archives must not change from run to run.
MEMBER_TIME = (2004, 6, 1, 12, 0, 0)
# Image data that is compressed already is stored, as the game's tools do;
# the reader then sees both stored and deflated members.
STORED_EXTENSIONS = (".dds", ".wav")


def write_archive(path, members):
    """Writes (name, content) pairs as a zip archive, members sorted by name.
    The content is bytes, or a function of no arguments that makes them, so
    that bulk content is made one member at a time while it is written."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    names = set()
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in sorted(members, key=lambda m: m[0]):
            if name in names:
                raise ValueError("member twice in %s: %s" % (path, name))
            names.add(name)
            info = zipfile.ZipInfo(name, date_time=MEMBER_TIME)
            info.create_system = 0
            info.external_attr = 0x20  # the DOS archive bit
            if callable(data):
                data = data()
            if name.lower().endswith(STORED_EXTENSIONS):
                info.compress_type = zipfile.ZIP_STORED
                archive.writestr(info, data)
            else:
                info.compress_type = zipfile.ZIP_DEFLATED
                archive.writestr(info, data, compresslevel=6)


def write_file(path, data, executable=False):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    mode = 0o755 if executable else 0o644
    os.chmod(path, mode)


def select(makers, prefixes, revision):
    """The members of `makers` below any of `prefixes`, made for `revision`.
    A prefix matches longer names too, as the editor's unpacking does."""
    out = []
    for name, make in makers:
        low = name.lower()
        if any(low.startswith(p.lower()) for p in prefixes):
            out.append((name, make(revision)))
    return out


def check_prefixes(makers, prefixes, archive):
    """Every prefix a patch overrides must have members to override."""
    for prefix in prefixes:
        if not any(name.lower().startswith(prefix.lower()) for name, _ in makers):
            raise ValueError("%s: nothing below %s" % (archive, prefix))
