#!/usr/bin/env python3
"""The launcher's main job, shown end to end on this machine: a local HTTPS server publishes a
deployment (a Java runtime, the application jar, a launch descriptor and its jars); the
launcher, built for that server, installs everything into a fresh profile folder and starts
Java; a second start finds everything current. The Linux build runs natively, the Windows
build under Wine.

  scripts/demo.py --linux-build DIR [--windows-build DIR]
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "fixtures"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import https_fixture  # noqa: E402
import real_java  # noqa: E402
from deployment import Deployment, jar_bytes, runtime_zip  # noqa: E402

PORT = 47613
JARS = [("commons-text", "1.10.0"), ("jackson-core", "2.15.2"), ("slf4j-api", "2.0.7"),
        ("demo-widgets", "3.1")]


def say(text):
    print(text, flush=True)


def tree(directory):
    """The application directory in brief: its files, and each subdirectory's totals."""
    if not os.path.isdir(directory):
        return "    (nothing: the launcher could not install anything)"
    lines = []
    for name in sorted(os.listdir(directory)):
        path = os.path.join(directory, name)
        if os.path.isdir(path):
            files = [os.path.join(f, n) for f, _, ns in os.walk(path) for n in ns]
            size = sum(os.path.getsize(f) for f in files)
            lines.append(f"    {name}/  {len(files)} files, {size / 1e6:.1f} MB")
            if name == "Tessarix":
                lines += [f"        {n}" for n in sorted(os.listdir(path)) if os.path.isfile(os.path.join(path, n))]
        else:
            with open(path, "rb") as f:
                lines.append(f"    {name}  {f.read()[:40]!r}")
    return "\n".join(lines)


def publish(www, area, java_name, stub, use_real_java, cache):
    deployment = Deployment(www, area)
    if use_real_java:
        archive = real_java.runtime_zip(real_java.runtime_directory(cache))
    else:
        with open(stub, "rb") as f:
            archive = runtime_zip(f.read(), java_name, extra=[("lib/modules", b"demo runtime")])
    jars = [(name, version, jar_bytes(name, version, size=40000)) for name, version in JARS]
    deployment.publish("5.2", "17.0.2", archive, jars, main_class="com.example.demo.Main")
    if use_real_java:
        with open(os.path.join(deployment.root, "APP", "TessarixAPP-5.2.jar"), "wb") as f:
            f.write(real_java.application_jar())
    return deployment


def run(command, env, label):
    started = time.monotonic()
    result = subprocess.run(command, env=env, capture_output=True, timeout=600)
    seconds = time.monotonic() - started
    say(f"  {label}: exit code {result.returncode}, {seconds:.2f} s")
    for line in result.stderr.decode(errors="replace").splitlines():
        if line.startswith("Error: "):
            say("    shown to the user: " + line[len("Error: "):])
    return result.returncode


def requests_since(log, before):
    records = https_fixture.read_log(log)[before:]
    return [r["request"].split(" ")[1] for r in records], len(https_fixture.read_log(log))


def demo_linux(build, fixture, www, work, cache):
    program = os.path.join(build, "src", "tessarix-test")
    stub = os.path.join(build, "tests", "e2e", "java-stub")
    use_real_java = real_java.tools_available()
    say("\n== Linux build: " + program)
    say("   runtime: " + ("a real Java runtime made with jlink, and a real application jar"
                         if use_real_java else "a stand-in for java (no JDK on this machine)"))
    publish(www, "linux_x64", "java", stub, use_real_java, cache)
    home = os.path.join(work, "linux-home")
    os.makedirs(home)
    output = os.path.join(work, "linux-app-output.txt")
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    env.update(HOME=home, TESSARIX_APP_OUTPUT=output, TESSARIX_STUB_LOG=os.path.join(work, "linux-java.log"))
    count = len(https_fixture.read_log(fixture.nginx_log))
    for label in ("first start (installs everything)", "second start (everything current)"):
        run([program], env, label)
        time.sleep(0.3)
        paths, count = requests_since(fixture.nginx_log, count)
        say(f"    fetched: {', '.join(paths)}")
    say("  ~/.tessarixapp now holds:\n" + tree(os.path.join(home, ".tessarixapp")))
    deadline = time.monotonic() + 30
    target = output if use_real_java else env["TESSARIX_STUB_LOG"]
    while not os.path.exists(target) and time.monotonic() < deadline:
        time.sleep(0.1)
    if os.path.exists(target):
        with open(target) as f:
            say("  the Java program it started reported:\n    " + f.read().strip().splitlines()[-1])


def demo_windows(build, fixture, www, work, cache):
    program = os.path.join(build, "src", "tessarix-test.exe")
    stub = os.path.join(build, "tests", "e2e", "java-stub.exe")
    say("\n== Windows build under Wine: " + program)
    shutil.rmtree(www)
    os.makedirs(www)
    publish(www, "windows_x64", "java.exe", stub, False, cache)
    prefix = os.path.join(work, "wine")
    wine = os.path.join(ROOT, "cmake", "wine-run.sh")
    env = dict(os.environ, WINEPREFIX=prefix, TESSARIX_STUB_LOG="Z:" + os.path.join(work, "windows-java.log"))
    env.pop("DISPLAY", None)
    subprocess.run([wine, "wineboot.exe", "--init"], env=env, capture_output=True, timeout=300)
    count = len(https_fixture.read_log(fixture.nginx_log))
    for label in ("first start (installs everything)", "second start (everything current)"):
        run([wine, program], env, label)
        time.sleep(0.3)
        paths, count = requests_since(fixture.nginx_log, count)
        say(f"    fetched: {', '.join(paths)}")
    users = os.path.join(prefix, "drive_c", "users")
    profile = [os.path.join(users, n) for n in os.listdir(users) if n.lower() != "public"][0]
    say("  C:\\users\\...\\.tessarixapp now holds:\n" + tree(os.path.join(profile, ".tessarixapp")))
    log = os.path.join(work, "windows-java.log")
    deadline = time.monotonic() + 30
    while not os.path.exists(log) and time.monotonic() < deadline:
        time.sleep(0.1)
    if os.path.exists(log):
        with open(log) as f:
            first_start = f.read().split("\nend\n")[0]
        words = [line[4:] for line in first_start.splitlines() if line.startswith("arg ")]
        say("  java.exe was started with: " + " ".join(words))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--linux-build", required=True)
    parser.add_argument("--windows-build")
    parser.add_argument("--cache", default=os.path.join(ROOT, "build", "demo-cache"))
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="tessarix-demo-")
    www = os.path.join(work, "www")
    os.makedirs(www)
    ca_dir = os.path.join(ROOT, "build", "test-ca")  # both builds trust it (scripts/demo.sh)
    try:
        with https_fixture.Fixture(ca_dir=ca_dir, nginx_root=www, nginx_port=PORT, url_host="localhost") as fixture:
            say(f"Serving the demo deployment at https://localhost:{PORT}/tessarix (nginx, test CA)")
            demo_linux(args.linux_build, fixture, www, work, args.cache)
            if args.windows_build:
                demo_windows(args.windows_build, fixture, www, work, args.cache)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
