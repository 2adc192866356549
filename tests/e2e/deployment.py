"""A deployment of the launcher's server, generated for a test: the version files, the
runtime archive, the launch descriptor and the jars, laid out under a document root the
way the server publishes them."""

import hashlib
import io
import os
import stat
import zipfile

BASE_PATH = "tessarix"  # the path part of the test build's server base


def jar_bytes(name, version, size=2000):
    """A small but real jar: a zip whose entry says which jar and version it is."""
    buffer = io.BytesIO()
    seed = hashlib.sha256(f"{name}-{version}".encode()).digest()
    filler = (seed * (size // len(seed) + 1))[:size]
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as jar:
        # Fixed dates: the same jar and version are the same bytes whenever they are made.
        for entry, data in (("META-INF/MANIFEST.MF", b"Manifest-Version: 1.0\r\n\r\n"),
                            (f"{name}.txt", f"{name} {version}\n".encode() + filler)):
            info = zipfile.ZipInfo(entry, date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            jar.writestr(info, data)
    return buffer.getvalue()


def runtime_zip(java_program, java_name, extra=(), compress=zipfile.ZIP_DEFLATED):
    """A runtime archive whose launcher is java_program (bytes), stored at bin/<java_name>
    with mode 0755, plus extra entries: (name, bytes) for files, names ending in '/' for
    directories."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", compress) as archive:
        directory = zipfile.ZipInfo("bin/")
        directory.create_system = 3
        directory.external_attr = (stat.S_IFDIR | 0o755) << 16 | 0x10
        archive.writestr(directory, b"")
        launcher = zipfile.ZipInfo(f"bin/{java_name}")
        launcher.create_system = 3
        launcher.external_attr = (stat.S_IFREG | 0o755) << 16
        launcher.compress_type = compress
        archive.writestr(launcher, java_program)
        for name, data in extra:
            info = zipfile.ZipInfo(name)
            info.create_system = 3
            info.compress_type = compress
            if name.endswith("/"):
                info.external_attr = (stat.S_IFDIR | 0o755) << 16 | 0x10
            else:
                info.external_attr = (stat.S_IFREG | 0o644) << 16
            archive.writestr(info, data)
    return buffer.getvalue()


def descriptor(jars, main_class="com.example.Main", extra=""):
    """A launch descriptor listing jars [(href, version)]."""
    resources = "\n".join(f'    <jar href="{href}" version="{version}"/>' for href, version in jars)
    main = f' main-class="{main_class}"' if main_class is not None else ""
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<jnlp spec="1.0+" codebase="https://example.invalid/webstart">\n'
        "  <information><title>Demo &amp; test</title></information>\n"
        f"  <resources>\n{resources}\n  </resources>\n"
        f"  <application-desc{main}/>\n{extra}"
        "</jnlp>\n"
    ).encode()


class Deployment:
    """Writes one state of the server under root/<BASE_PATH>, for the runtime area of the
    system under test ("linux_x64" or "windows_x64")."""

    def __init__(self, root, area):
        self.root = os.path.join(root, BASE_PATH)
        self.area = area

    def _write(self, relative, data):
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data if isinstance(data, bytes) else data.encode())
        return path

    def publish(self, app_version, runtime_version, runtime_archive, jars, main_class="com.example.Main",
                descriptor_bytes=None):
        """jars: [(name, version, bytes)] listed by the descriptor as name.jar."""
        self._write("APP/app.version", app_version + "\n")
        self._write("APP/TessarixAPP-%s.jar" % app_version, jar_bytes("TessarixAPP", app_version))
        self._write(f"JRE/{self.area}/jre.version", runtime_version + "\r\n")
        if runtime_archive is not None:
            self._write(f"JRE/{self.area}/jre_{runtime_version}.zip", runtime_archive)
        for name, version, data in jars:
            self._write(f"webstart/{name}.jar", data)
        if descriptor_bytes is None:
            descriptor_bytes = descriptor([(name + ".jar", version) for name, version, _ in jars], main_class)
        self._write("webstart/mirvo.jnlp", descriptor_bytes)

    def remove(self, relative):
        os.remove(os.path.join(self.root, relative))
