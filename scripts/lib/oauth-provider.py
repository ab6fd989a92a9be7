#!/usr/bin/env python3
"""An OAuth 2.0 provider for the tests, over HTTPS on 127.0.0.1 (certificate of the test CA for
localhost and 127.0.0.1). Prints "ready" once it listens, then runs until it is killed.

    oauth-provider.py CERT KEY PORT CLIENT_ID [LIFETIME]

GET  /authorize   approves at once: 302 to redirect_uri (http://127.0.0.1:PORT/ only) with a code and
                  the request's state. Needs response_type=code, the client id, code_challenge_method
                  S256 and a code_challenge; the code's user is the login_hint.
POST /token       grant_type authorization_code (PKCE verifier and redirect_uri checked, a code serves
                  once) or refresh_token (each refresh token serves once: the answer holds a new one).
                  Access tokens live LIFETIME seconds (3600 unless given). Errors as RFC 6749 5.2.
POST /introspect  RFC 7662: {"active": true, "username": USER, ...} for a live access token, else
                  {"active": false}.
POST /control     form fields, each optional: lifetime=N [user=U] sets the life of the access tokens
                  issued from now on, for U alone when given; revoke=U ends every grant of U: its
                  refresh and access tokens stop working (a new sign-in works again); issue=U grants U
                  tokens at once, as a completed sign-in would (counted as an authorization_code
                  grant), for tests that start signed in. Answers the issued tokens' response when
                  issue is given, else /stats.
GET  /stats       JSON counts: "grants": token requests per grant type, refused ones too; "users":
                  per user, "authorize", the token requests per grant type that named one of its
                  codes or tokens (a rotated-out or revoked refresh token too), "invalid_grant" (those
                  refused), "introspect_active" and "introspect_inactive".

Tokens and codes come from the secrets module: nothing outlives the process.
"""
import base64
import hashlib
import http.server
import json
import re
import secrets
import ssl
import sys
import threading
import time
import urllib.parse

REDIRECT = re.compile(r"http://127\.0\.0\.1:([0-9]{1,5})/")
# RFC 7636 4.1: 43 to 128 unreserved characters.
VERIFIER = re.compile(r"[A-Za-z0-9._~-]{43,128}")
CODE_LIFETIME = 60
MAX_BODY = 65536


class OAuthError(Exception):
    def __init__(self, error, description, status=400):
        super().__init__(description)
        self.error, self.description, self.status = error, description, status


class Provider:
    """The grants, under one lock: handlers run on threads of their own."""

    def __init__(self, client_id, lifetime):
        self.client_id = client_id
        self.lifetime = lifetime
        self.user_lifetimes = {}
        self.codes = {}  # code -> (user, redirect_uri, challenge, expiry)
        self.refresh_tokens = {}  # token -> user
        self.retired_tokens = {}  # rotated-out or revoked refresh token -> user, to count its reuse
        self.access_tokens = {}  # token -> (user, expiry)
        self.grants = {}
        self.users = {}
        self.lock = threading.Lock()

    def count(self, user, what):
        counts = self.users.setdefault(user, {})
        counts[what] = counts.get(what, 0) + 1

    def authorize(self, query):
        """The redirect's location; OAuthError for a request that must not be redirected."""
        redirect_uri = query.get("redirect_uri", "")
        loopback = REDIRECT.fullmatch(redirect_uri)
        if query.get("client_id") != self.client_id:
            raise OAuthError("invalid_client", "unknown client_id")
        if not loopback or not 0 < int(loopback[1]) < 65536:
            raise OAuthError("invalid_request", "redirect_uri must be http://127.0.0.1:PORT/")
        answer = {"state": query["state"]} if "state" in query else {}
        user = query.get("login_hint", "")
        if query.get("response_type") != "code":
            answer["error"] = "unsupported_response_type"
        elif query.get("code_challenge_method") != "S256" or not query.get("code_challenge"):
            answer["error"] = "invalid_request"
            answer["error_description"] = "PKCE with S256 is required"
        elif not user:
            answer["error"] = "invalid_request"
            answer["error_description"] = "login_hint is required"
        else:
            code = secrets.token_urlsafe(32)
            with self.lock:
                self.codes[code] = (user, redirect_uri, query["code_challenge"], time.monotonic() + CODE_LIFETIME)
                self.count(user, "authorize")
            answer["code"] = code
        return redirect_uri + "?" + urllib.parse.urlencode(answer)

    def token(self, form):
        grant_type = form.get("grant_type", "")
        if form.get("client_id") != self.client_id:
            raise OAuthError("invalid_client", "unknown client_id", 401)
        if grant_type not in ("authorization_code", "refresh_token"):
            raise OAuthError("unsupported_grant_type", "grant_type must be authorization_code or refresh_token")
        with self.lock:
            self.grants[grant_type] = self.grants.get(grant_type, 0) + 1
            if grant_type == "authorization_code":
                user = self.redeem_code(form)
            else:
                user = self.redeem_refresh_token(form)
            return self.issue(user)

    def redeem_code(self, form):
        grant = self.codes.pop(form.get("code", ""), None)
        if grant is None:
            raise OAuthError("invalid_grant", "unknown or used code")
        user, redirect_uri, challenge, expiry = grant
        self.count(user, "authorization_code")
        verifier = form.get("code_verifier", "")
        if time.monotonic() > expiry:
            self.refuse(user, "code expired")
        if form.get("redirect_uri") != redirect_uri:
            self.refuse(user, "redirect_uri differs from the authorization request's")
        if not VERIFIER.fullmatch(verifier):
            self.refuse(user, "code_verifier is not 43 to 128 unreserved characters")
        digest = base64.urlsafe_b64encode(hashlib.sha256(verifier.encode("ascii")).digest()).rstrip(b"=")
        if not secrets.compare_digest(digest, challenge.encode()):
            self.refuse(user, "code_verifier does not match the code_challenge")
        return user

    def redeem_refresh_token(self, form):
        # Rotation: the token presented serves once.
        presented = form.get("refresh_token", "")
        user = self.refresh_tokens.pop(presented, None)
        if user is not None:
            self.retired_tokens[presented] = user
            self.count(user, "refresh_token")
            return user
        user = self.retired_tokens.get(presented)
        if user is None:
            raise OAuthError("invalid_grant", "unknown refresh token")
        self.count(user, "refresh_token")
        self.refuse(user, "refresh token used already or revoked")

    def refuse(self, user, description):
        self.count(user, "invalid_grant")
        raise OAuthError("invalid_grant", description)

    def issue(self, user):
        lifetime = self.user_lifetimes.get(user, self.lifetime)
        access, refresh = secrets.token_urlsafe(32), secrets.token_urlsafe(32)
        self.access_tokens[access] = (user, time.monotonic() + lifetime)
        self.refresh_tokens[refresh] = user
        return {"access_token": access, "token_type": "Bearer", "expires_in": lifetime, "refresh_token": refresh}

    def introspect(self, form):
        with self.lock:
            user, expiry = self.access_tokens.get(form.get("token", ""), (None, 0))
            if user is None or time.monotonic() >= expiry:
                if user is not None:
                    self.count(user, "introspect_inactive")
                return {"active": False}
            self.count(user, "introspect_active")
            return {"active": True, "username": user, "client_id": self.client_id, "token_type": "Bearer",
                    "exp": int(time.time() + expiry - time.monotonic())}

    def control(self, form):
        with self.lock:
            if "lifetime" in form:
                lifetime = int(form["lifetime"])
                if lifetime <= 0:
                    raise OAuthError("invalid_request", "lifetime must be positive")
                if "user" in form:
                    self.user_lifetimes[form["user"]] = lifetime
                else:
                    self.lifetime = lifetime
            if "revoke" in form:
                user = form["revoke"]
                self.retired_tokens.update((t, u) for t, u in self.refresh_tokens.items() if u == user)
                self.refresh_tokens = {t: u for t, u in self.refresh_tokens.items() if u != user}
                self.access_tokens = {t: g for t, g in self.access_tokens.items() if g[0] != user}
                self.codes = {c: g for c, g in self.codes.items() if g[0] != user}
            if "issue" in form:
                user = form["issue"]
                if not user:
                    raise OAuthError("invalid_request", "issue needs a user")
                self.grants["authorization_code"] = self.grants.get("authorization_code", 0) + 1
                self.count(user, "authorization_code")
                return self.issue(user)
        return self.stats()

    def stats(self):
        with self.lock:
            return {"lifetime": self.lifetime, "grants": dict(self.grants),
                    "users": {user: dict(counts) for user, counts in self.users.items()}}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    provider = None

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        if url.path == "/authorize":
            self.answer_authorize(query)
        elif url.path == "/stats":
            self.send_json(200, self.provider.stats())
        else:
            self.send_json(404, {"error": "not_found"})

    def do_POST(self):
        handlers = {"/token": self.provider.token, "/introspect": self.provider.introspect,
                    "/control": self.provider.control}
        handler = handlers.get(urllib.parse.urlsplit(self.path).path)
        if handler is None:
            self.send_json(404, {"error": "not_found"})
            return
        try:
            self.send_json(200, handler(self.read_form()))
        except OAuthError as error:
            self.send_json(error.status, {"error": error.error, "error_description": error.description})
        except ValueError as error:
            self.send_json(400, {"error": "invalid_request", "error_description": str(error)})

    def answer_authorize(self, query):
        try:
            location = self.provider.authorize(query)
        except OAuthError as error:
            # RFC 6749 4.1.2.1: a bad client or redirect_uri is told to the user, never redirected.
            self.send_body(400, "text/plain; charset=utf-8", f"{error.error}: {error.description}\n".encode())
            return
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def read_form(self):
        length = int(self.headers.get("Content-Length", "0"))
        if not 0 <= length <= MAX_BODY:
            raise ValueError("body too long")
        if not self.headers.get("Content-Type", "").startswith("application/x-www-form-urlencoded"):
            raise ValueError("the body must be application/x-www-form-urlencoded")
        return dict(urllib.parse.parse_qsl(self.rfile.read(length).decode("ascii")))

    def send_json(self, status, value):
        self.send_body(status, "application/json", json.dumps(value).encode())

    def send_body(self, status, content_type, body):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        # RFC 6749 5.1: token answers are never cached.
        self.send_header("Cache-Control", "no-store")
        self.send_header("Pragma", "no-cache")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, format, *args):
        # The request line holds codes and, from GET /authorize, nothing else secret; form bodies
        # (tokens) are never logged.
        sys.stderr.write("%s %s\n" % (self.log_date_time_string(), format % args))


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port, context):
        super().__init__(("127.0.0.1", port), Handler)
        self.context = context

    def finish_request(self, request, client_address):
        # The handshake on the connection's own thread: a client that never finishes it holds
        # only that thread.
        request.settimeout(10)
        try:
            connection = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as error:
            sys.stderr.write(f"handshake with {client_address[0]}:{client_address[1]} failed: {error}\n")
            return
        with connection:
            super().finish_request(connection, client_address)


def main():
    cert, key, port, client_id = sys.argv[1:5]
    lifetime = int(sys.argv[5]) if len(sys.argv) > 5 else 3600
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(cert, key)
    Handler.provider = Provider(client_id, lifetime)
    server = Server(int(port), context)
    print("ready", flush=True)
    server.serve_forever()


main()
