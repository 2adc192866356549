"""A real Java runtime and application for the launcher to start: a small runtime made with
jlink from the machine's JDK, and an application jar whose launcher class writes down the
main class it was given. Used by the end-to-end scenario with a real Java and by the demo."""

import io
import os
import shutil
import stat
import subprocess
import tempfile
import zipfile

APPLICATION_SOURCE = """\
package de.quorvantis.tessarixapp;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;

public class TessarixAPP {
    public static void main(String[] args) throws Exception {
        String received = String.join(" ", args);
        String message = "TessarixAPP running on Java " + System.getProperty("java.version")
            + " from " + System.getProperty("java.home") + ", main class " + received;
        System.out.println(message);
        String output = System.getenv("TESSARIX_APP_OUTPUT");
        if (output != null) {
            String lines = received + "\\n" + message + "\\n";
            Files.write(Paths.get(output), lines.getBytes(StandardCharsets.UTF_8));
        }
    }
}
"""


def tools_available():
    return all(shutil.which(tool) for tool in ("jlink", "javac", "jar"))


def runtime_directory(cache_dir):
    """A jlink runtime with the modules a desktop application needs, made once per cache."""
    target = os.path.join(cache_dir, "jlink-runtime")
    if os.path.exists(os.path.join(target, "bin", "java")):
        return target
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(cache_dir, exist_ok=True)
    subprocess.run(["jlink", "--add-modules", "java.base,java.desktop", "--output", target,
                    "--strip-debug", "--no-header-files", "--no-man-pages", "--compress=2"],
                   check=True, stdout=subprocess.DEVNULL)
    return target


def runtime_zip(directory):
    """The runtime as the server publishes it: every file below the runtime directory, with
    its permission bits (links are stored as the files they lead to)."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as archive:
        for folder, _, files in sorted(os.walk(directory)):
            for name in sorted(files):
                path = os.path.join(folder, name)
                info = zipfile.ZipInfo(os.path.relpath(path, directory).replace(os.sep, "/"),
                                       date_time=(2026, 1, 1, 0, 0, 0))
                info.create_system = 3
                info.external_attr = (stat.S_IFREG | (os.stat(path).st_mode & 0o777)) << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as f:
                    archive.writestr(info, f.read())
    return buffer.getvalue()


def application_jar():
    """The application jar holding the launcher class the program starts."""
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "src", "de", "quorvantis", "tessarixapp")
        os.makedirs(source)
        with open(os.path.join(source, "TessarixAPP.java"), "w") as f:
            f.write(APPLICATION_SOURCE)
        classes = os.path.join(work, "classes")
        subprocess.run(["javac", "--release", "11", "-d", classes,
                        os.path.join(source, "TessarixAPP.java")], check=True)
        jar = os.path.join(work, "app.jar")
        subprocess.run(["jar", "--create", "--file", jar, "-C", classes, "."], check=True)
        with open(jar, "rb") as f:
            return f.read()
