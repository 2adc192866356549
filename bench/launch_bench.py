#!/usr/bin/env python3
"""The launcher's two starts measured against the bare tools doing the same work, in one run:

first start:  the launcher installing a ~100 MB runtime archive and 200 jars of mixed sizes,
              against curl + unzip doing the same transfers (the jars with
              `curl --parallel --parallel-max 6` alongside the runtime download) and the same
              extraction;
second start: the launcher with everything current, against curl fetching the same three
              small documents.

Reports wall time, CPU time and peak memory (medians over the repetitions). Needs a build of
the program for the test servers (tessarix-test, Release), nginx and GNU time (Debian package
`time`); run on demand:

  bench/launch_bench.py BUILD_DIR [--repeat N]
"""

import argparse
import os
import random
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile
import io

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "fixtures"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import https_fixture  # noqa: E402
from deployment import Deployment, runtime_zip  # noqa: E402

PORT = 47613
BASE = f"https://localhost:{PORT}/tessarix"


def mixed_bytes(size, rng):
    """Bytes that compress about as well as class files and native code do (roughly 2:1)."""
    out = bytearray(size)
    out[0::2] = rng.randbytes(len(out[0::2]))
    return bytes(out)


def make_jar(name, size, rng):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as jar:
        jar.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n\r\n")
        jar.writestr(f"{name}/Payload.class", mixed_bytes(size, rng))
    return buffer.getvalue()


def build_deployment(www, stub, rng):
    runtime_files = [(f"lib/part{i:02d}.bin", mixed_bytes(5 << 20, rng)) for i in range(30)]
    runtime_files += [(f"legal/file{i:03d}.txt", b"license text\n" * 50) for i in range(300)]
    with open(stub, "rb") as f:
        archive = runtime_zip(f.read(), "java", extra=runtime_files)
    jars = []
    for i in range(200):
        size = int(10 ** rng.uniform(3.7, 6.2))  # 5 KB to 1.6 MB, log-uniform
        jars.append((f"lib{i:03d}", "1.0", make_jar(f"lib{i:03d}", size, rng)))
    Deployment(www, "linux_x64").publish("5.2", "17.0.2", archive, jars)
    return len(archive), sum(len(j[2]) for j in jars), jars


def measure(command, env=None, cwd=None, prepare=lambda: None):
    """Wall seconds and CPU seconds (user + system of the command and of what it waited for),
    from a direct run; then peak resident memory in MB (of its largest single process) from a
    second run under GNU time, which starts the command from a process of its own small size
    (a child of this script would count this script's size). prepare() sets the scene before
    each of the two runs."""
    prepare()
    started = time.monotonic()
    process = subprocess.Popen(command, env=env, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    errors = process.stderr.read().decode(errors="replace")
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - started
    process.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0 or "Error:" in errors:
        raise SystemExit(f"{command[0]} failed: {errors}")
    prepare()
    return wall, usage.ru_utime + usage.ru_stime, peak_memory(command, env, cwd)


def peak_memory(command, env, cwd):
    if not shutil.which("/usr/bin/time"):
        return float("nan")
    with tempfile.NamedTemporaryFile("r") as report:
        subprocess.run(["/usr/bin/time", "-o", report.name, "-f", "%M", *command], env=env, cwd=cwd,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return int(report.read().split()[-1]) / 1024


def curl_first_start(work, ca, jars):
    """The same transfers and extraction with curl and unzip, in one shell script."""
    config = os.path.join(work, "jars.curl")
    with open(config, "w") as f:
        for name, version, _ in jars:
            f.write(f'url = "{BASE}/webstart/{name}.jar?version-id={version}"\n')
            f.write(f'output = "jars/{name}-{version}.jar"\n')
    script = f"""set -e
cd "{work}"
rm -rf VM jars jre.zip; mkdir -p VM jars
curl -sf --cacert "{ca}" -o app.version {BASE}/APP/app.version -o jre.version {BASE}/JRE/linux_x64/jre.version -o mirvo.jnlp {BASE}/webstart/mirvo.jnlp
curl -sf --cacert "{ca}" -o jre.zip {BASE}/JRE/linux_x64/jre_17.0.2.zip && unzip -q jre.zip -d VM &
curl -sf --cacert "{ca}" -o jars/TessarixAPP-5.2.jar {BASE}/APP/TessarixAPP-5.2.jar --next --parallel --parallel-max 6 --cacert "{ca}" -K jars.curl
wait
"""
    return measure(["bash", "-c", script])


DOCUMENTS = [f"{BASE}/APP/app.version", f"{BASE}/JRE/linux_x64/jre.version", f"{BASE}/webstart/mirvo.jnlp"]


def curl_second_start(ca):
    """The three documents in one curl process, on one connection."""
    command = ["curl", "-sf", "--cacert", ca]
    for url in DOCUMENTS:
        command += ["-o", "/dev/null", url]
    return measure(command)


def curl_three_processes(ca):
    """The three documents, one curl process each, one after another."""
    script = " && ".join(f'curl -sf --cacert "{ca}" -o /dev/null "{url}"' for url in DOCUMENTS)
    return measure(["bash", "-c", script])


def report(title, rows):
    print(f"\n{title}")
    print(f"  {'':34} {'wall ms':>9} {'CPU ms':>9} {'peak MB':>9}")
    for label, samples in rows:
        wall, cpu, rss = (statistics.median(s[i] for s in samples) for i in range(3))
        print(f"  {label:34} {wall * 1000:9.1f} {cpu * 1000:9.1f} {rss:9.1f}")


def main():
    parser = argparse.ArgumentParser(description="first and second start against curl + unzip")
    parser.add_argument("build")
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()
    program = os.path.join(args.build, "src", "tessarix-test")
    stub = os.path.join(args.build, "tests", "e2e", "java-stub")
    ca_dir = subprocess.run(["cmake", "-L", "-N", args.build], capture_output=True, text=True).stdout
    ca_dir = [line.split("=", 1)[1] for line in ca_dir.splitlines() if line.startswith("TESSARIX_TEST_CA_DIR:")][0]
    ca = os.path.join(ca_dir, "ca.pem")

    work = tempfile.mkdtemp(prefix="tessarix-bench-")
    try:
        www = os.path.join(work, "www")
        runtime_size, jar_size, jars = build_deployment(www, stub, random.Random(7))
        print(f"runtime archive {runtime_size / 1e6:.1f} MB, {len(jars)} jars {jar_size / 1e6:.1f} MB in all, "
              f"{args.repeat} repetitions, median shown")
        with https_fixture.Fixture(ca_dir=ca_dir, nginx_root=www, nginx_port=PORT, url_host="localhost"):
            launcher_first, curl_first, launcher_second, curl_second, curl_three = [], [], [], [], []
            env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
            env["TESSARIX_STUB_LOG"] = os.devnull
            home = os.path.join(work, "home")
            env["HOME"] = home

            def fresh_home():
                shutil.rmtree(home, ignore_errors=True)
                os.makedirs(home)

            for i in range(args.repeat):
                launcher_first.append(measure([program], env=env, prepare=fresh_home))
                baseline = os.path.join(work, f"curl{i}")
                os.makedirs(baseline)
                curl_first.append(curl_first_start(baseline, ca, jars))
                shutil.rmtree(baseline)
            for _ in range(args.repeat * 4):
                launcher_second.append(measure([program], env=env))
                curl_second.append(curl_second_start(ca))
                curl_three.append(curl_three_processes(ca))
        report("first start (everything downloaded and unpacked)",
               [("launcher", launcher_first), ("curl --parallel 6 + unzip", curl_first)])
        report("second start (everything current)",
               [("launcher", launcher_second), ("curl, the three in one process", curl_second),
                ("curl, three processes", curl_three)])
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
