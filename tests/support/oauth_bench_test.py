#!/usr/bin/env python3
"""The sign-in bench without Pelmora: the test OAuth provider's code flow with PKCE, refresh-token
rotation and revocation; Dovecot taking its access tokens over IMAP and POP3 (XOAUTH2, OAUTHBEARER)
and refusing expired, revoked and misused ones; the tests' browser, run by hand and through Wine's
URL handler, following the authorization to a loopback listener.

Usage: oauth_bench_test.py SOURCE_DIR (under scripts/test, whose services set PELMORA_OAUTH_URL,
PELMORA_OAUTH_CLIENT_ID, PELMORA_DOVECOT_TLS and PELMORA_DOVECOT_MAIL). With GTEST_OUTPUT=xml:PATH
the results are written there in GoogleTest's form, which scripts/test counts.
"""
import base64
import hashlib
import http.client
import http.server
import imaplib
import json
import os
import poplib
import secrets
import ssl
import subprocess
import sys
import threading
import time
import unittest
import urllib.parse
from xml.sax.saxutils import quoteattr, escape

SOURCE = sys.argv[1] if len(sys.argv) > 1 else "."
# This test's own user: the sign-in tests of the program have pelmoraoauth1 and 2.
USER = "pelmoraoauth3"
TLS = os.environ.get("PELMORA_DOVECOT_TLS", "")
CONTEXT = ssl.create_default_context(cafile=os.path.join(TLS, "ca.pem")) if TLS else None
TIMEOUT = 10


def provider(method, path, form=None):
    """(status, headers, answer as JSON or text) of one request to the provider."""
    url = urllib.parse.urlsplit(os.environ["PELMORA_OAUTH_URL"])
    connection = http.client.HTTPSConnection(url.hostname, url.port, timeout=TIMEOUT, context=CONTEXT)
    try:
        body = urllib.parse.urlencode(form) if form is not None else None
        headers = {"Content-Type": "application/x-www-form-urlencoded"} if form is not None else {}
        connection.request(method, path, body, headers)
        response = connection.getresponse()
        text = response.read().decode()
        answer = json.loads(text) if response.getheader("Content-Type") == "application/json" else text
        return response.status, response, answer
    finally:
        connection.close()


def pkce():
    verifier = secrets.token_urlsafe(48)
    challenge = base64.urlsafe_b64encode(hashlib.sha256(verifier.encode()).digest()).rstrip(b"=").decode()
    return verifier, challenge


def authorization_query(challenge, redirect_uri, state, user=USER, **changes):
    query = {"response_type": "code", "client_id": os.environ["PELMORA_OAUTH_CLIENT_ID"],
             "redirect_uri": redirect_uri, "scope": "mail", "state": state, "code_challenge": challenge,
             "code_challenge_method": "S256", "login_hint": user}
    query.update(changes)
    return "/authorize?" + urllib.parse.urlencode(query)


def authorize(challenge, redirect_uri, state, user=USER, **changes):
    """The query of the provider's redirect, which must go to redirect_uri."""
    status, response, _ = provider("GET", authorization_query(challenge, redirect_uri, state, user, **changes))
    assert status == 302, f"authorize answered {status}"
    location = urllib.parse.urlsplit(response.getheader("Location"))
    assert location._replace(query="").geturl() == redirect_uri, f"redirected to {location.geturl()}"
    return dict(urllib.parse.parse_qsl(location.query))


def token(form):
    return provider("POST", "/token", dict(form, client_id=os.environ["PELMORA_OAUTH_CLIENT_ID"]))


def sign_in(user=USER):
    """A fresh token answer for user, through the whole code flow."""
    verifier, challenge = pkce()
    redirect_uri = "http://127.0.0.1:1234/"
    code = authorize(challenge, redirect_uri, "s", user)["code"]
    status, _, answer = token({"grant_type": "authorization_code", "code": code, "redirect_uri": redirect_uri,
                               "code_verifier": verifier})
    assert status == 200, f"token answered {status} {answer}"
    return answer


def refresh(refresh_token):
    return token({"grant_type": "refresh_token", "refresh_token": refresh_token})


def control(**form):
    status, _, answer = provider("POST", "/control", form)
    assert status == 200, f"control answered {status} {answer}"
    return answer


def user_counts(user=USER):
    return provider("GET", "/stats")[2]["users"].get(user, {})


def xoauth2(user, access_token):
    return f"user={user}\x01auth=Bearer {access_token}\x01\x01".encode()


def oauthbearer(user, access_token):
    return f"n,a={user},\x01auth=Bearer {access_token}\x01\x01".encode()


def imap_login(mechanism, initial):
    """Dovecot's answer to AUTHENTICATE over TLS on 993: True, or the text of its refusal. An error
    challenge is answered with an empty response, as the mechanisms ask."""
    challenges = []

    def respond(challenge):
        challenges.append(challenge)
        return initial if len(challenges) == 1 else b""

    with imaplib.IMAP4_SSL("localhost", 993, ssl_context=CONTEXT, timeout=TIMEOUT) as imap:
        try:
            imap.authenticate(mechanism, respond)
        except imaplib.IMAP4.error as error:
            return str(error)
        imap.logout()
        return True


def pop3_login(initial):
    """Dovecot's answer to AUTH XOAUTH2 with an initial response over TLS on 995: True, or its refusal."""
    pop = poplib.POP3_SSL("localhost", 995, context=CONTEXT, timeout=TIMEOUT)
    try:
        try:
            reply = pop._shortcmd("AUTH XOAUTH2 " + base64.b64encode(initial).decode())
            if reply.startswith(b"+ "):
                # The error challenge (base64 JSON); the empty answer gets the refusal.
                json.loads(base64.b64decode(reply[2:]))
                pop._shortcmd("")
        except poplib.error_proto as error:
            return str(error)
        pop.stat()
        pop.quit()
        return True
    finally:
        pop.close()


def dovecot_logins(user):
    with open(os.path.join(os.environ["PELMORA_DOVECOT_MAIL"], "..", "log", "dovecot.log"), errors="replace") as log:
        return [line for line in log if f"Login: user=<{user}>" in line]


class LoopbackListener:
    """What an application listens with for the redirect: the query of the first request."""

    def __init__(self):
        self.queries = []
        self.received = threading.Event()
        listener = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                listener.queries.append((urllib.parse.urlsplit(self.path).path,
                                         dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(self.path).query))))
                body = "閉じてかまいません".encode()
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
                listener.received.set()

            def log_message(self, *args):
                pass

        self.server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self.redirect_uri = f"http://127.0.0.1:{self.server.server_port}/"
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class ProviderCodeFlow(unittest.TestCase):
    def test_code_with_the_right_verifier_gives_tokens_once(self):
        verifier, challenge = pkce()
        redirect_uri = "http://127.0.0.1:4321/"
        query = authorize(challenge, redirect_uri, "state-1")
        self.assertEqual(query["state"], "state-1")
        exchange = {"grant_type": "authorization_code", "code": query["code"], "redirect_uri": redirect_uri,
                    "code_verifier": verifier}
        status, response, answer = token(exchange)
        self.assertEqual(status, 200, answer)
        self.assertEqual(answer["token_type"], "Bearer")
        self.assertEqual(answer["expires_in"], 3600)
        self.assertTrue(answer["access_token"] and answer["refresh_token"])
        self.assertEqual(response.getheader("Cache-Control"), "no-store")
        status, _, answer = token(exchange)
        self.assertEqual((status, answer["error"]), (400, "invalid_grant"), "a code served twice")

    def test_refuses_a_wrong_verifier_or_redirect_uri(self):
        verifier, challenge = pkce()
        redirect_uri = "http://127.0.0.1:4321/"
        for wrong in ({"code_verifier": pkce()[0]}, {"code_verifier": verifier[:42]},
                      {"redirect_uri": "http://127.0.0.1:4322/"}):
            code = authorize(challenge, redirect_uri, "s")["code"]
            exchange = dict({"grant_type": "authorization_code", "code": code, "redirect_uri": redirect_uri,
                             "code_verifier": verifier}, **wrong)
            status, _, answer = token(exchange)
            self.assertEqual((status, answer["error"]), (400, "invalid_grant"), wrong)
        status, _, answer = token({"grant_type": "password", "username": USER})
        self.assertEqual((status, answer["error"]), (400, "unsupported_grant_type"))

    def test_authorization_requests_it_refuses(self):
        _, challenge = pkce()
        for redirect_uri in ("http://localhost:4321/", "http://127.0.0.1:4321/elsewhere", "https://127.0.0.1:4321/"):
            status, response, _ = provider("GET", authorization_query(challenge, redirect_uri, "s"))
            self.assertEqual((status, response.getheader("Location")), (400, None), redirect_uri)
        status, _, _ = provider("GET", authorization_query(challenge, "http://127.0.0.1:4321/", "s", client_id="x"))
        self.assertEqual(status, 400)
        query = authorize(challenge, "http://127.0.0.1:4321/", "s2", code_challenge_method="plain")
        self.assertEqual((query.get("error"), query.get("state"), query.get("code")), ("invalid_request", "s2", None))


class ProviderRefresh(unittest.TestCase):
    def test_each_refresh_token_serves_once(self):
        first = sign_in()
        before = user_counts().get("refresh_token", 0)
        status, _, second = refresh(first["refresh_token"])
        self.assertEqual(status, 200, second)
        self.assertNotEqual(second["refresh_token"], first["refresh_token"])
        self.assertNotEqual(second["access_token"], first["access_token"])
        status, _, answer = refresh(first["refresh_token"])
        self.assertEqual((status, answer["error"]), (400, "invalid_grant"), "the rotated-out token still served")
        status, _, third = refresh(second["refresh_token"])
        self.assertEqual(status, 200, third)
        self.assertEqual(user_counts()["refresh_token"], before + 3)

    def test_tokens_issued_through_the_control_refresh_and_count_as_a_sign_in(self):
        before = user_counts().get("authorization_code", 0)
        issued = control(issue=USER)
        self.assertEqual(user_counts()["authorization_code"], before + 1)
        self.assertEqual(provider("POST", "/introspect", {"token": issued["access_token"]})[2]["username"], USER)
        status, _, answer = refresh(issued["refresh_token"])
        self.assertEqual(status, 200, answer)

    def test_revoked_user_gets_invalid_grant_until_signed_in_again(self):
        tokens = sign_in()
        control(revoke=USER)
        before = user_counts()
        status, _, answer = refresh(tokens["refresh_token"])
        self.assertEqual((status, answer["error"]), (400, "invalid_grant"))
        after = user_counts()
        self.assertEqual((after["refresh_token"], after["invalid_grant"]),
                         (before.get("refresh_token", 0) + 1, before.get("invalid_grant", 0) + 1))
        self.assertEqual(provider("POST", "/introspect", {"token": tokens["access_token"]})[2], {"active": False})
        status, _, answer = refresh(sign_in()["refresh_token"])
        self.assertEqual(status, 200, answer)


class DovecotTokens(unittest.TestCase):
    def test_imap_and_pop3_take_a_live_token(self):
        access = sign_in()["access_token"]
        logins = len(dovecot_logins(USER))
        self.assertIs(imap_login("XOAUTH2", xoauth2(USER, access)), True)
        self.assertIs(imap_login("OAUTHBEARER", oauthbearer(USER, access)), True)
        self.assertIs(pop3_login(xoauth2(USER, access)), True)
        lines = dovecot_logins(USER)[logins:]
        self.assertEqual(len(lines), 3, lines)
        self.assertTrue(all("TLS" in line for line in lines), lines)
        self.assertEqual(sum("method=XOAUTH2" in line for line in lines), 2, lines)
        self.assertEqual(sum("method=OAUTHBEARER" in line for line in lines), 1, lines)

    def test_refuses_expired_revoked_and_misused_tokens(self):
        control(lifetime="1", user=USER)
        try:
            expired = sign_in()["access_token"]
        finally:
            control(lifetime="3600", user=USER)
        revoked = sign_in()["access_token"]
        control(revoke=USER)
        live = sign_in()["access_token"]
        time.sleep(1.2)
        for what, initial in (("expired", xoauth2(USER, expired)), ("revoked", xoauth2(USER, revoked)),
                              ("another user's", xoauth2("pelmora4", live))):
            self.assertIsNot(imap_login("XOAUTH2", initial), True, f"IMAP took an {what} token")
            self.assertIsNot(pop3_login(initial), True, f"POP3 took an {what} token")
        with imaplib.IMAP4_SSL("localhost", 993, ssl_context=CONTEXT, timeout=TIMEOUT) as imap:
            with self.assertRaises(imaplib.IMAP4.error, msg="a token taken as a password"):
                imap.login(USER, live)
        self.assertIs(imap_login("XOAUTH2", xoauth2(USER, live)), True)


class TestBrowser(unittest.TestCase):
    def follow(self, mode, opener):
        """The redirect's (path, query) that the listener got, and the state the provider was given."""
        listener = LoopbackListener()
        try:
            state = secrets.token_urlsafe(16)
            url = os.environ["PELMORA_OAUTH_URL"] + authorization_query(pkce()[1], listener.redirect_uri, state)
            opener(url, dict(os.environ, PELMORA_TEST_BROWSER=mode))
            self.assertTrue(listener.received.wait(30), f"no redirect reached the listener ({mode})")
            return listener.queries[0], state
        finally:
            listener.close()

    def run_browser(self, url, environment):
        subprocess.run([os.path.join(SOURCE, "scripts", "lib", "test-browser"), url], env=environment,
                       timeout=30, check=True)

    def test_follows_or_tampers_as_asked(self):
        (path, query), state = self.follow("follow", self.run_browser)
        self.assertEqual((path, query["state"]), ("/", state))
        self.assertIn("code", query)
        (path, query), state = self.follow("wrong-state", self.run_browser)
        self.assertNotEqual(query["state"], state)
        (path, query), state = self.follow("error", self.run_browser)
        self.assertEqual(query, {"error": "access_denied", "state": state})
        (path, query), state = self.follow("wrong-path", self.run_browser)
        self.assertEqual((path, query["state"]), ("/other", state))

    def test_a_url_opened_under_wine_reaches_it(self):
        def wine_start(url, environment):
            # start.exe opens it through ShellExecuteEx, as the program does.
            subprocess.run(["wine", "start", url], env=environment, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        (path, query), state = self.follow("follow", wine_start)
        self.assertEqual((path, query["state"]), ("/", state))
        self.assertIn("code", query)


class GoogleTestXml(unittest.TextTestResult):
    """Keeps each case's outcome for the GoogleTest XML file."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.outcomes = []

    def addSuccess(self, test):
        super().addSuccess(test)
        self.outcomes.append((test, None))

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self.outcomes.append((test, self._exc_info_to_string(err, test)))

    def addError(self, test, err):
        super().addError(test, err)
        self.outcomes.append((test, self._exc_info_to_string(err, test)))


def write_results(path, outcomes):
    failed = sum(1 for _, failure in outcomes if failure)
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             f'<testsuites tests="{len(outcomes)}" failures="{failed}" name="AllTests">']
    for test, failure in outcomes:
        suite, name = type(test).__name__, test._testMethodName
        lines.append(f'  <testcase name={quoteattr(name)} classname={quoteattr(suite)} status="run" result="completed">')
        if failure:
            lines.append(f'    <failure message={quoteattr(failure.splitlines()[-1])}>{escape(failure)}</failure>')
        lines.append("  </testcase>")
    lines.append("</testsuites>")
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


def main():
    tests = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])
    result = unittest.TextTestRunner(resultclass=GoogleTestXml, verbosity=2).run(tests)
    output = os.environ.get("GTEST_OUTPUT", "")
    if output.startswith("xml:"):
        # The Windows tree names its results with Wine's drive letter.
        write_results(output[4:].removeprefix("Z:"), result.outcomes)
    sys.exit(0 if result.wasSuccessful() else 1)


main()
