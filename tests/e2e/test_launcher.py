"""End-to-end scenarios: the real program, built for the test deployment, against nginx
serving a deployment that each test generates, with a stub (or a real) Java runtime.

Run by CTest with:
  TESSARIX_E2E_PROGRAM   the test build of the program
  TESSARIX_E2E_STUB      the Java stand-in for the runtime archive
  TESSARIX_E2E_SYSTEM    linux | windows (windows: the program runs under Wine)
  TESSARIX_E2E_CA_DIR    the test CA the program trusts
  TESSARIX_E2E_PORT      the port of the program's server base (fixed at build time)
  TESSARIX_E2E_WINE      the Wine runner script (windows only)
"""

import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "fixtures"))
sys.path.insert(0, HERE)

import https_fixture  # noqa: E402
import real_java  # noqa: E402
import xdisplay  # noqa: E402
from deployment import Deployment, descriptor, jar_bytes, runtime_zip  # noqa: E402

PROGRAM = os.environ.get("TESSARIX_E2E_PROGRAM", "")
STUB = os.environ.get("TESSARIX_E2E_STUB", "")
SYSTEM = os.environ.get("TESSARIX_E2E_SYSTEM", "linux")
CA_DIR = os.environ.get("TESSARIX_E2E_CA_DIR", "")
PORT = int(os.environ.get("TESSARIX_E2E_PORT", "47613"))
WINE = os.environ.get("TESSARIX_E2E_WINE", "")
WINDOWS = SYSTEM == "windows"

AREA = "windows_x64" if WINDOWS else "linux_x64"
JAVA_NAME = "java.exe" if WINDOWS else "java"
JAVA_PROGRAM = "VM\\bin\\java.exe" if WINDOWS else "VM/bin/java"
CLASS_PATH = "Tessarix\\*" if WINDOWS else "Tessarix/*"
FIXED_WORDS = [JAVA_PROGRAM, "-cp", CLASS_PATH, "--add-opens=java.base/java.lang=ALL-UNNAMED",
               "--add-exports=java.desktop/sun.awt=ALL-UNNAMED", "de.quorvantis.tessarixapp.TessarixAPP"]
# The command line may hold 259 characters; the main class gets what the fixed part leaves.
MAIN_CLASS_LIMIT = 259 - len(" ".join(FIXED_WORDS) + " ")
URL = f"https://localhost:{PORT}/tessarix"

JARS_V1 = [("core", "2.0"), ("ui", "1.1"), ("util", "3.4.5")]


def stub_program():
    with open(STUB, "rb") as f:
        return f.read()


class Machine:
    """One user's machine: a profile folder with its application directory, and the way to
    start the program there (directly, or under Wine in a prefix of its own)."""

    # Under Wine every machine shares one prefix (making one takes seconds); a new machine
    # starts from an empty application directory there.
    wine_prefix = None

    def __init__(self, root):
        self.root = root
        self.stub_log = os.path.join(root, "java-starts.log")
        if WINDOWS:
            self.prefix = Machine.wine_prefix
            profile = None
        else:
            profile = os.path.join(root, "home")
            os.makedirs(profile)
        self._profile = profile
        if WINDOWS and self.profile:
            shutil.rmtree(self.app_dir, ignore_errors=True)

    @property
    def profile(self):
        if self._profile is None:
            users = os.path.join(self.prefix, "drive_c", "users")
            names = [n for n in os.listdir(users) if n.lower() != "public"] if os.path.isdir(users) else []
            if names:
                self._profile = os.path.join(users, names[0])
        return self._profile

    @property
    def app_dir(self):
        return os.path.join(self.profile, ".tessarixapp")

    def environment(self):
        env = {k: v for k, v in os.environ.items() if not k.startswith("TESSARIX_E2E")}
        env.pop("DISPLAY", None)  # errors come out as "Error: TEXT" on standard error
        if WINDOWS:
            env["WINEPREFIX"] = self.prefix
            env["TESSARIX_STUB_LOG"] = "Z:" + self.stub_log
        else:
            env["HOME"] = self._profile
            env["TESSARIX_STUB_LOG"] = self.stub_log
        return env

    def command(self):
        return [WINE, PROGRAM] if WINDOWS else [PROGRAM]

    def start(self):
        return subprocess.Popen(self.command(), env=self.environment(), stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, start_new_session=True)

    def run(self, timeout=180):
        process = self.start()
        try:
            out, err = process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            raise
        return process.returncode, err.decode(errors="replace")

    def java_starts(self, expect, timeout=30):
        """The recorded starts of Java, once `expect` of them are complete."""
        deadline = time.monotonic() + timeout
        while True:
            starts = self._read_starts()
            if len(starts) >= expect or time.monotonic() > deadline:
                return starts
            time.sleep(0.05)

    def _read_starts(self):
        try:
            with open(self.stub_log, encoding="utf-8") as f:
                text = f.read()
        except FileNotFoundError:
            return []
        starts, current = [], None
        for line in text.splitlines():
            if line == "start":
                current = {"args": [], "cwd": None}
            elif current is not None and line.startswith("arg "):
                current["args"].append(line[4:])
            elif current is not None and line.startswith("cwd "):
                current["cwd"] = line[4:]
            elif current is not None and line == "end":
                starts.append(current)
                current = None
        return starts

    def path(self, *parts):
        return os.path.join(self.app_dir, *parts)

    def read(self, *parts):
        with open(self.path(*parts), "rb") as f:
            return f.read()

    def jar_files(self):
        directory = self.path("Tessarix")
        return sorted(n for n in os.listdir(directory) if os.path.isfile(os.path.join(directory, n)))


class LauncherScenarios(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not PROGRAM or not os.path.exists(PROGRAM):
            raise unittest.SkipTest("TESSARIX_E2E_PROGRAM is not set: run through CTest")
        cls.work = tempfile.mkdtemp(prefix="tessarix-e2e-")
        cls.www = os.path.join(cls.work, "www")
        os.makedirs(cls.www)
        if WINDOWS:
            Machine.wine_prefix = os.path.join(cls.work, "wine")
            subprocess.run([WINE, "wineboot.exe", "--init"], check=True, timeout=300,
                           env=dict(os.environ, WINEPREFIX=Machine.wine_prefix))
        cls.fixture = https_fixture.Fixture(ca_dir=CA_DIR, nginx_root=cls.www, nginx_port=PORT,
                                            url_host="localhost")
        cls.fixture.start()

    @classmethod
    def tearDownClass(cls):
        cls.fixture.stop()
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        shutil.rmtree(self.www, ignore_errors=True)
        os.makedirs(self.www)
        self.deployment = Deployment(self.www, AREA)
        self.machine = Machine(tempfile.mkdtemp(dir=self.work))

    # ---- helpers ------------------------------------------------------------------------

    def publish(self, app="5.2", runtime="17.0.1", jars=JARS_V1, archive=None, **kwargs):
        if archive is None:
            archive = runtime_zip(stub_program(), JAVA_NAME, extra=[("lib/modules", b"runtime " + runtime.encode())])
        self.published_jars = [(name, version, jar_bytes(name, version)) for name, version in jars]
        self.deployment.publish(app, runtime, archive, self.published_jars, **kwargs)
        self.published = (app, runtime)

    def requests_during(self, action):
        """Runs action; returns its result and the request paths the server answered meanwhile."""
        before = len(https_fixture.read_log(self.fixture.nginx_log))
        result = action()
        time.sleep(0.2)  # nginx logs a request just after answering it
        records = https_fixture.read_log(self.fixture.nginx_log)[before:]
        return result, [(r["request"].split(" ")[1], r["status"], r.get("conn")) for r in records]

    def launch(self):
        code, errors = self.machine.run()
        self.assertEqual(code, 0, "the launcher always exits with 0; stderr:\n" + errors)
        return errors

    def assert_messages(self, errors, expected):
        """The error boxes shown, in order. Without a display the Linux build writes each as
        "Error: TEXT" on standard error; under Wine without a display a box cannot be seen."""
        if WINDOWS:
            return
        self.assertEqual([line for line in errors.splitlines() if line.startswith("Error: ")],
                         ["Error: " + text for text in expected])

    def assert_started_java(self, main_class="com.example.Main", starts=1):
        recorded = self.machine.java_starts(starts)
        self.assertEqual(len(recorded), starts, "Java was not started")
        start = recorded[-1]
        self.assertEqual(start["args"], FIXED_WORDS + main_class.split(" "))
        cwd = start["cwd"]
        if WINDOWS:
            self.assertTrue(cwd.lower().endswith("\\.tessarixapp"), cwd)
        else:
            self.assertEqual(os.path.realpath(cwd), os.path.realpath(self.machine.app_dir))

    def assert_no_java(self, previous_starts=0):
        time.sleep(0.5)
        self.assertEqual(len(self.machine.java_starts(previous_starts, timeout=0)), previous_starts,
                         "Java was started")

    def assert_installed(self):
        """The application directory holds exactly the published state."""
        app, runtime = self.published
        self.assertEqual(self.machine.read("jre.version"), runtime.encode())
        self.assertEqual(self.machine.read("VM", "bin", JAVA_NAME), stub_program())
        self.assertEqual(self.machine.read("VM", "lib", "modules"), b"runtime " + runtime.encode())
        if not WINDOWS:
            self.assertTrue(os.access(self.machine.path("VM", "bin", "java"), os.X_OK))
        expected = {f"TessarixAPP-{app}.jar": jar_bytes("TessarixAPP", app)}
        expected.update({f"{n}-{v}.jar": data for n, v, data in self.published_jars})
        self.assertEqual(self.machine.jar_files(), sorted(expected))
        for name, data in expected.items():
            self.assertEqual(self.machine.read("Tessarix", name), data, name)
        self.assertEqual(os.listdir(self.machine.path("Tessarix", "temp")), [])
        self.assertFalse(os.path.exists(self.machine.path("jre.zip")))

    # ---- scenarios ----------------------------------------------------------------------

    def test_first_then_second_start(self):
        self.publish()
        _, requests = self.requests_during(self.launch)
        self.assert_installed()
        self.assert_started_java()
        fetched = sorted(path for path, status, _ in requests)
        self.assertEqual(fetched, sorted([
            "/tessarix/APP/app.version", f"/tessarix/JRE/{AREA}/jre.version", "/tessarix/webstart/mirvo.jnlp",
            f"/tessarix/JRE/{AREA}/jre_17.0.1.zip", "/tessarix/APP/TessarixAPP-5.2.jar",
            "/tessarix/webstart/core.jar?version-id=2.0", "/tessarix/webstart/ui.jar?version-id=1.1",
            "/tessarix/webstart/util.jar?version-id=3.4.5"]))
        self.assertTrue(os.path.isdir(self.machine.app_dir))

        # Everything is current: only the three small documents, on one connection.
        _, requests = self.requests_during(self.launch)
        self.assertEqual([path for path, _, _ in requests],
                         ["/tessarix/APP/app.version", f"/tessarix/JRE/{AREA}/jre.version",
                          "/tessarix/webstart/mirvo.jnlp"])
        self.assertEqual(len({conn for _, _, conn in requests}), 1, "one connection for the three")
        self.assert_installed()
        self.assert_started_java(starts=2)

    def test_new_application_version_replaces_the_application_jar(self):
        self.publish()
        self.launch()
        self.publish(app="5.3")
        _, requests = self.requests_during(self.launch)
        self.assertIn("/tessarix/APP/TessarixAPP-5.3.jar", [p for p, _, _ in requests])
        self.assertEqual(len(requests), 4, requests)
        self.assert_installed()
        self.assertFalse(os.path.exists(self.machine.path("Tessarix", "TessarixAPP-5.2.jar")))
        self.assert_started_java(starts=2)

    def test_new_runtime_version_replaces_the_runtime(self):
        self.publish()
        self.launch()
        with open(self.machine.path("VM", "left-over"), "w") as f:
            f.write("from the old runtime")
        self.publish(runtime="17.0.2")
        _, requests = self.requests_during(self.launch)
        self.assertEqual(sorted(p for p, _, _ in requests),
                         sorted(["/tessarix/APP/app.version", f"/tessarix/JRE/{AREA}/jre.version",
                                 "/tessarix/webstart/mirvo.jnlp", f"/tessarix/JRE/{AREA}/jre_17.0.2.zip"]))
        self.assert_installed()
        self.assertFalse(os.path.exists(self.machine.path("VM", "left-over")))
        self.assert_started_java(starts=2)

    def test_a_jar_missing_on_the_server(self):
        self.publish()
        self.launch()
        self.publish(jars=[("core", "2.1"), ("ui", "1.1"), ("util", "3.4.5")])
        self.deployment.remove("webstart/core.jar")
        errors = self.launch()
        self.assert_messages(errors, [f"Failed to download: {URL}/webstart/core.jar?version-id=2.1"])
        self.assert_no_java(previous_starts=1)
        self.assertNotIn("core-2.0.jar", self.machine.jar_files(), "the old file of that jar is gone")
        self.assertNotIn("core-2.1.jar", self.machine.jar_files())
        self.assertEqual(os.listdir(self.machine.path("Tessarix", "temp")), [])

    def test_broken_runtime_archives_install_nothing(self):
        empty = zipfile.ZipFile  # noqa: F841 (an archive with no entries is just its end record)
        archives = {
            "not a zip": b"this is not a zip archive",
            "no entries": b"PK\x05\x06" + b"\0" * 18,
            "traversal": runtime_zip(stub_program(), JAVA_NAME, extra=[("../outside.txt", b"escaped")]),
            "absolute": runtime_zip(stub_program(), JAVA_NAME, extra=[("/tmp/tessarix-absolute.txt", b"x")]),
        }
        for what, archive in archives.items():
            with self.subTest(archive=what):
                self.machine = Machine(tempfile.mkdtemp(dir=self.work))
                self.publish(archive=archive)
                errors = self.launch()
                self.assert_messages(errors, [])  # a failed installation shows no message
                self.assert_no_java()
                self.assertFalse(os.path.exists(self.machine.path("jre.version")))
                self.assertFalse(os.path.exists(self.machine.path("jre.zip")))
                self.assertFalse(os.path.exists(os.path.join(self.machine.profile, "outside.txt")))
                self.assertFalse(os.path.exists(self.machine.path("outside.txt")))
                self.assertTrue(os.path.isdir(self.machine.path("VM")))

    def test_descriptors_that_fail(self):
        cases = {
            "Failed to parse JNLP": b"<jnlp><resources></jnlp>",
            "Invalid JNLP": descriptor([("a" * 1023 + ".jar", "1")]),
        }
        cases_traversal = descriptor([("../../outside.jar", "1")])
        for message, document in list(cases.items()) + [("Invalid JNLP", cases_traversal)]:
            with self.subTest(message=message, size=len(document)):
                self.machine = Machine(tempfile.mkdtemp(dir=self.work))
                self.publish(descriptor_bytes=document)
                errors = self.launch()
                self.assert_messages(errors, [message])
                self.assert_no_java()

    def test_failed_document_fetches_show_both_messages(self):
        self.publish()
        self.deployment.remove("APP/app.version")
        errors = self.launch()
        self.assert_messages(errors, [f"Failed to download: {URL}/APP/app.version", "Failed to fetch APP version"])
        self.assert_no_java()

    def test_main_class_lengths(self):
        # 99 characters always fit; the exact limit depends on the system's program path.
        for length, starts in ((99, True), (MAIN_CLASS_LIMIT, True), (MAIN_CLASS_LIMIT + 1, False),
                               (100, 100 <= MAIN_CLASS_LIMIT)):
            with self.subTest(length=length):
                self.machine = Machine(tempfile.mkdtemp(dir=self.work))
                main_class = ("x." * 60 + "M" * 200)[:length]
                self.publish(main_class=main_class)
                errors = self.launch()
                self.assert_messages(errors, [])
                if starts:
                    self.assert_started_java(main_class=main_class)
                else:
                    self.assert_no_java()

    def test_default_main_class_and_a_main_class_with_a_space(self):
        self.publish(main_class=None)
        self.launch()
        self.assert_started_java(main_class="org.qvd.ko.mirvo.client.gui.main.Main")
        self.machine = Machine(tempfile.mkdtemp(dir=self.work))
        self.publish(main_class="com.example.Main extra")
        self.launch()
        self.assert_started_java(main_class="com.example.Main extra")

    @unittest.skipIf(WINDOWS, "no Windows Java runtime on this machine")
    def test_a_real_java_runtime_runs_the_application(self):
        if not real_java.tools_available():
            self.skipTest("no JDK (jlink, javac, jar) on this machine: the real runtime scenario needs one")
        runtime = real_java.runtime_directory(os.path.join(os.environ.get("TESSARIX_E2E_CACHE", self.work)))
        archive = real_java.runtime_zip(runtime)
        application = real_java.application_jar()
        self.publish(archive=archive, main_class="org.example.RealMain")
        # The application jar of this version is the real one.
        with open(os.path.join(self.deployment.root, "APP", "TessarixAPP-5.2.jar"), "wb") as f:
            f.write(application)
        output = os.path.join(self.machine.root, "application-output.txt")
        env = self.machine.environment()
        env["TESSARIX_APP_OUTPUT"] = output
        process = subprocess.run(self.machine.command(), env=env, capture_output=True, timeout=300)
        self.assertEqual(process.returncode, 0, process.stderr.decode(errors="replace"))
        deadline = time.monotonic() + 60
        while not os.path.exists(output) and time.monotonic() < deadline:
            time.sleep(0.1)
        with open(output, encoding="utf-8") as f:
            received, report = f.read().splitlines()
        self.assertEqual(received, "org.example.RealMain",
                         "the real java found the launcher class through the class path wildcard")
        self.assertIn(f"from {os.path.realpath(self.machine.path('VM'))},", report, "it ran the private runtime")
        self.assertTrue(os.access(self.machine.path("VM", "bin", "java"), os.X_OK))

    @unittest.skipIf(WINDOWS, "killing a Wine process at a chosen moment is not a fair test of the program")
    def test_killed_at_random_moments_the_next_start_repairs_everything(self):
        def runtime(version, fill):
            big = bytes([fill]) * (12 << 20)  # 12 MB of runtime beside the launcher
            return runtime_zip(stub_program(), JAVA_NAME,
                               extra=[("lib/modules", b"runtime " + version.encode()), ("lib/big.bin", big)],
                               compress=zipfile.ZIP_STORED)

        # An installed older version is what an update starts from.
        self.publish(app="5.1", runtime="17.0.0", archive=runtime("17.0.0", 0xAA),
                     jars=[(f"lib{i:02d}", "1.0") for i in range(20)])
        self.launch()
        template = self.machine

        jars = [(f"lib{i:02d}", f"2.{i}") for i in range(40)]
        self.publish(app="5.2", runtime="17.0.1", archive=runtime("17.0.1", 0xBB), jars=jars)
        self.published_jars = [(n, v, jar_bytes(n, v, size=20000 + 5000 * i))
                               for i, (n, v) in enumerate(jars)]
        for name, version, data in self.published_jars:
            self.deployment._write(f"webstart/{name}.jar", data)
        self.installed = {"17.0.0": 0xAA, "17.0.1": 0xBB}

        def copy_of_template():
            machine = Machine(tempfile.mkdtemp(dir=self.work))
            shutil.copytree(template.app_dir, machine.app_dir, symlinks=True)
            return machine

        self.machine = copy_of_template()
        started = time.monotonic()
        self.launch()
        duration = time.monotonic() - started
        self.assert_installed()

        seed = int(os.environ.get("TESSARIX_E2E_SEED", time.time_ns() % 100000))
        chooser = random.Random(seed)
        for attempt in range(12):
            with self.subTest(attempt=attempt, seed=seed):
                self.machine = copy_of_template()
                process = self.machine.start()
                time.sleep(chooser.uniform(0, duration))
                os.killpg(process.pid, signal.SIGKILL)
                process.communicate()
                self.assert_nothing_half_done()
                self.launch()
                self.assert_installed()
                starts = self.machine.java_starts(1)
                self.assertGreaterEqual(len(starts), 1)
                self.assertEqual(starts[-1]["args"], FIXED_WORDS + ["com.example.Main"])

    def assert_nothing_half_done(self):
        """What a killed launcher leaves: no jar in the cache that is not whole, and no
        version file naming a runtime that is not completely there."""
        published = {f"{n}-{v}.jar": data for n, v, data in self.published_jars}
        for n in range(20):
            published[f"lib{n:02d}-1.0.jar"] = jar_bytes(f"lib{n:02d}", "1.0")
        for app in ("5.1", "5.2"):
            published[f"TessarixAPP-{app}.jar"] = jar_bytes("TessarixAPP", app)
        for name in self.machine.jar_files():
            self.assertIn(name, published)
            self.assertEqual(self.machine.read("Tessarix", name), published[name], name + " is not whole")
        if os.path.exists(self.machine.path("jre.version")):
            version = self.machine.read("jre.version").decode()
            self.assertIn(version, self.installed)
            self.assertEqual(self.machine.read("VM", "lib", "big.bin"), bytes([self.installed[version]]) * (12 << 20),
                             f"jre.version names {version}, but that runtime is not all there")
            self.assertEqual(self.machine.read("VM", "lib", "modules"), b"runtime " + version.encode())
            self.assertEqual(self.machine.read("VM", "bin", JAVA_NAME), stub_program())

    @unittest.skipUnless(xdisplay.available(), "needs Xvfb and xdotool")
    def test_with_a_display_the_error_is_a_box_the_user_dismisses(self):
        self.publish()
        self.deployment.remove("webstart/ui.jar")
        url = f"{URL}/webstart/ui.jar?version-id=1.1"
        with xdisplay.VirtualDisplay() as display:
            env = self.machine.environment()
            env["DISPLAY"] = display.name
            if WINDOWS:
                # The prefix's Wine processes were started without a display; they must go,
                # or the box would be made on no screen.
                subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=env, capture_output=True, timeout=60)
                env["WINEDEBUG"] = "+msgbox"  # Wine writes each box's text to standard error
            process = subprocess.Popen(self.machine.command(), env=env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.PIPE, start_new_session=True)
            try:
                box = display.find_window("Error")
                self.assertIsNotNone(box, "no box titled Error appeared")
                time.sleep(0.5)
                self.assertIsNone(process.poll(), "the launcher must wait until the box is dismissed")
                # Wine's box has its OK button about 21 pixels above its bottom edge; ours 29.
                display.press_ok(box, 21 if WINDOWS else 29)
                _, errors = process.communicate(timeout=60)
            finally:
                if process.poll() is None:
                    os.killpg(process.pid, signal.SIGKILL)
                    process.communicate()
                if WINDOWS:  # nothing of Wine may stay on a display that is about to go
                    subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=env, capture_output=True, timeout=60)
        self.assertEqual(process.returncode, 0)
        errors = errors.decode(errors="replace")
        if WINDOWS:
            self.assertIn(f'MSGBOX_OnInit L"Failed to download: {url}"', errors)
        else:
            self.assertNotIn("Error: ", errors, "with a display the text is in the box, not on standard error")
        self.assert_no_java()


if __name__ == "__main__":
    unittest.main(verbosity=2)
