"""The manual page and the README against the program: the page is clean for
mandoc and groff and names every option of the usage text, and the README's
odbc.ini example connects with nothing but the data source's name."""
import configparser
import os
import re
import subprocess
import quillet_e2e as e2e
from quillet_e2e import run

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
PAGE = os.path.join(SOURCE, "doc", "quillet.1")
README = os.path.join(SOURCE, "README.md")


def page_section(name):
    """The roff source lines of one section of the page."""
    with open(PAGE) as f:
        text = f.read()
    return text.split(f"\n.SH {name}\n", 1)[1].split("\n.SH ", 1)[0].splitlines()


def usage_options():
    """The entries of the usage text's argument list: "connect", "-t", ..."""
    arg_list = run(["-?"]).messages.decode().rstrip("\n").split("\n\n")[-1]
    return [line.split()[0] for line in arg_list.splitlines()]


def rendered_synopsis():
    page = subprocess.run(["mandoc", "-T", "ascii", "-O", "width=200", PAGE], check=True,
                          stdout=subprocess.PIPE).stdout.decode()
    page = re.sub(r".\x08", "", page)
    return page.split("\nSYNOPSIS\n", 1)[1].split("\n\n", 1)[0].split()


def odbc_ini(lines):
    """The odbc.ini example among lines: from its first section to the first line
    that is neither a section, a key nor blank."""
    start = next(i for i, line in enumerate(lines) if line.strip() == "[shop]")
    end = next((i for i in range(start, len(lines))
                if not re.fullmatch(r"\s*(\[\w+\]|\w+\s*=.*)?\s*", lines[i])), len(lines))
    return "\n".join(line.strip() for line in lines[start:end]).strip().splitlines()


def run_with_env(args, env):
    proc = subprocess.run(e2e.command(args), env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    return e2e.result(proc.returncode, proc.stdout, proc.stderr)


class ManualPage(e2e.TempDirTestCase):
    def test_mandoc_lint_finds_nothing(self):
        lint = subprocess.run(["mandoc", "-T", "lint", "-W", "all", PAGE],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual((lint.returncode, lint.stdout), (0, b""))

    def test_man_renders_without_warnings_at_any_width(self):
        for width in ("60", "80", "132"):
            page = subprocess.run(["man", "--warnings=w", "-l", PAGE], env=dict(os.environ, MANWIDTH=width),
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            self.assertEqual((page.returncode, page.stderr), (0, b""), width)
            self.assertIn(b"CONNECTION STRINGS", page.stdout)

    def test_options_section_describes_exactly_the_usage_options(self):
        lines = page_section("OPTIONS")
        tags = [lines[i + 1] for i, line in enumerate(lines) if line == ".TP"]
        names = [re.split(r"[= ]", tag.split(" ", 1)[1].replace("\\-", "-").replace("\\&", ""))[0]
                 for tag in tags]
        self.assertEqual(names, usage_options())

    def test_synopsis_names_exactly_the_usage_options(self):
        words = rendered_synopsis()
        self.assertEqual(words[0], "quillet")
        names = [re.split(r"[=\]]", word.strip("["))[0] for word in words[1:]]
        self.assertEqual(names, usage_options())


class PasswordInDataSource(e2e.TempDirTestCase):
    SERVERS = {"MariaDB Unicode": "QUILLET_MARIADB_", "PostgreSQL ANSI": "QUILLET_PG_"}
    KEYS = {"server": "HOST", "servername": "HOST", "port": "PORT", "database": "DATABASE",
            "user": "USER", "username": "USER", "password": "PASSWORD"}

    def test_readme_and_page_show_the_same_odbc_ini(self):
        with open(README) as f:
            readme = f.read().splitlines()
        example = page_section("SECURITY")
        self.assertEqual(odbc_ini(readme), odbc_ini(example))

    def test_readme_data_sources_connect_by_name_alone(self):
        with open(README) as f:
            ini = configparser.ConfigParser()
            ini.optionxform = str
            ini.read_string("\n".join(odbc_ini(f.read().splitlines())))
        for dsn in ini.sections():
            with self.subTest(dsn=dsn):
                prefix = self.SERVERS[ini[dsn]["Driver"]]
                if prefix == "QUILLET_MARIADB_" and os.environ.get("QUILLET_IODBC"):
                    self.skipTest(e2e.IODBC_MARIADB)
                if prefix + "HOST" not in os.environ:
                    self.skipTest(f"no {prefix}* server (run under scripts/with-*.sh)")
                for key in ini[dsn]:
                    if key.lower() in self.KEYS:
                        ini[dsn][key] = os.environ.get(prefix + self.KEYS[key.lower()], ini[dsn][key])
                user_ini = self.path("odbc.ini")
                with open(os.open(user_ini, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "w") as f:
                    f.write(f"[{dsn}]\n" + "".join(f"{k} = {v}\n" for k, v in ini[dsn].items()))
                r = run_with_env([f"DSN={dsn}", "-s=select 'ok' as result", "-f"],
                                dict(os.environ, ODBCINI=user_ini, HOME=self.dir))
                self.assertRun(r, 0, b"result\nok\n", b"1 record(s) written\n")


if __name__ == "__main__":
    e2e.main()
