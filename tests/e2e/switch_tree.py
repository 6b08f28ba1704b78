"""The whole switch on a temporary tree, for the end-to-end tests.

Switch(bin_dir, source_dir, build_data).start() makes the tree (run, config, scratch and
a root with the installed data), starts platformd (with cfgmgr, wsvd, cli and webd) on a
free port and waits until webd serves the WSDL and wsvd reads VLANs from cfgmgr;
restart() stops and starts it again on the same tree; kill(name) kills one of its
processes; stop() ends it and returns what went wrong on the way out (platformd not
stopping, a sanitizer report in the log).
"""
import os
import random
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import urllib.request


def free_port():
    """A port nobody uses just now, below the kernel's ephemeral ports: one the kernel
    handed out could become the local end of another test's outgoing connection before
    our server binds it."""
    try:
        with open('/proc/sys/net/ipv4/ip_local_port_range') as f:
            first_ephemeral = int(f.read().split()[0])
    except (OSError, ValueError, IndexError):
        first_ephemeral = 32768
    if first_ephemeral <= 11000:
        first_ephemeral = 60000
    for _ in range(100):
        port = random.randrange(10000, first_ephemeral)
        with socket.socket() as s:
            try:
                s.bind(('127.0.0.1', port))
            except OSError:
                continue
            return port
    raise RuntimeError('no free port below the ephemeral range')


def fetch(url, body=None, headers=None):
    request = urllib.request.Request(url, data=body, headers=headers or {})
    with urllib.request.urlopen(request, timeout=5) as reply:
        return reply.read().decode()


class Switch:
    def __init__(self, bin_dir, source_dir, build_data, env=None):
        self.bin_dir, self.source_dir, self.build_data = bin_dir, source_dir, build_data
        self.extra_env = env or {}  # more environment for the switch's processes
        self.platformd = None

    def start(self):
        self.tree = tempfile.mkdtemp(prefix='e2e.', dir='/tmp')
        for sub in ('run', 'config', 'scratch', 'root'):
            os.mkdir(os.path.join(self.tree, sub))
        root = os.path.join(self.tree, 'root')
        shutil.copytree(os.path.join(self.source_dir, 'data'), root, dirs_exist_ok=True)
        shutil.copytree(self.build_data, root, dirs_exist_ok=True)
        self.config_dir = os.path.join(self.tree, 'config')
        port = free_port()
        self.endpoint = 'http://127.0.0.1:%d/xmlService' % port
        # The clients talk to this machine only: no proxy in between.
        for proxy in ('http_proxy', 'https_proxy', 'all_proxy', 'HTTP_PROXY', 'HTTPS_PROXY',
                      'ALL_PROXY'):
            os.environ.pop(proxy, None)
        # Kept, for each start of platformd on this tree.
        self.env = dict(os.environ, KARN_RUN_LOCATION=os.path.join(self.tree, 'run'),
                        KARN_CONFIG_LOCATION=self.config_dir,
                        KARN_SCRATCH_LOCATION=os.path.join(self.tree, 'scratch'),
                        KARN_ROOT=root, WSVD_HTTP_PORT=str(port), **self.extra_env)
        self.log = open(os.path.join(self.tree, 'log.txt'), 'w')
        return self._launch()

    def _launch(self):
        self.platformd = subprocess.Popen([os.path.join(self.bin_dir, 'platformd')],
                                          env=self.env, stdout=self.log, stderr=self.log)
        self._wait_until_serving()
        return self

    def restart(self):
        """Stops the switch and starts it again on the same tree (what went wrong stopping)."""
        failures = self._end()
        self.log = open(os.path.join(self.tree, 'log.txt'), 'a')
        self._launch()
        return failures

    def _wait_until_serving(self):
        """Until webd serves the WSDL and wsvd reads VLANs from cfgmgr (60 s at most)."""
        probe = ('<S:Envelope xmlns:S="http://schemas.xmlsoap.org/soap/envelope/"><S:Body>'
                 '<v:getVlan xmlns:v="urn:xapi/l2protocol/vlan"><name>Default</name>'
                 '<vr>VR-Default</vr></v:getVlan></S:Body></S:Envelope>').encode()
        basic = {'Content-Type': 'text/xml', 'Authorization': 'Basic YWRtaW46'}  # admin, no password
        deadline = time.monotonic() + 60
        while True:
            try:
                fetch(self.endpoint + '?wsdl')
                if '<name>Default</name>' in fetch(self.endpoint, probe, basic):
                    return
            except Exception:
                pass
            if time.monotonic() > deadline:
                raise RuntimeError('the switch did not serve within 60 s')
            time.sleep(0.2)

    def kill(self, name):
        """Kills platformd's child `name` outright (platformd starts it again)."""
        pid = subprocess.check_output(['pgrep', '-x', '-P', str(self.platformd.pid), name])
        os.kill(int(pid.split()[0]), signal.SIGKILL)

    def wait_for_log(self, text, seconds=30):
        """Until the processes' log holds `text`; False when it does not in time."""
        deadline = time.monotonic() + seconds
        while text not in self.log_text():
            if time.monotonic() > deadline:
                return False
            time.sleep(0.2)
        return True

    def log_text(self):
        with open(os.path.join(self.tree, 'log.txt')) as f:
            return f.read()

    def stop(self):
        """Stops the switch and removes its tree; the failures met on the way."""
        failures = self._end()
        shutil.rmtree(self.tree, ignore_errors=True)
        return failures

    def _end(self):
        failures = []
        if self.platformd:
            self.platformd.send_signal(signal.SIGTERM)
            try:
                self.platformd.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.platformd.kill()
                failures.append('platformd did not stop')
            self.log.close()
            text = self.log_text()
            for marker in ('AddressSanitizer', 'LeakSanitizer', 'runtime error:'):
                if marker in text:
                    failures.append('sanitizer report in the log')
            self.last_log = text
            self.platformd = None
        return failures
