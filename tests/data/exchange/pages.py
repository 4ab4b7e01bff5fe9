#!/usr/bin/env python3
"""Serves the lookup pages the exchange tests ask for, on a loopback port.

Prints "port N" once listening and "GET <target>" for every request, so a
test sees exactly what was asked. Runs until its standard input closes.
"""
import http.server
import sys
import threading
import time

SEARCH = ('<html><body><h1>Results</h1><TABLE CLASS="results"><tr><td>'
          '<A HREF="/broadband/exchange/{code}">Somewhere</a></td></tr></table></body></html>')
EXCHANGE = ('<html><body><table><tr><td>Name:</td><td class="v">Somewhere</td></tr>'
            '<tr><td>Postcode:</td><td class="v">{postcode}</td></tr></table></body></html>')
DIRECTIONS = ('<html><script>var p = "\\x3cb\\x3eDriving directions to X\\x3c/b\\x3e'
              '\\x3cdiv\\x3e\\x3cb\\x3e{miles}\\x26#160;mi\\x3c/b\\x3e\\x3c/div\\x3e about 20 mins";</script></html>')

# target -> (status, body[, headers]); a body of None never answers; a
# Content-Length header of None is left out; a HANG header (not sent) keeps the
# connection open after the body.
PAGES = {
    '/broadband/search.php?q=AB12CD': (200, SEARCH.format(code='ABC123')),
    '/broadband/exchange.php?ecode=ABC123': (200, EXCHANGE.format(postcode=' XY9 8ZW ')),
    '/maps?f=d&hl=en&geocode=&saddr=XY98ZW&daddr=AB12CD': (200, DIRECTIONS.format(miles='10.5')),
    '/broadband/search.php?q=NOMARK': (200, '<html><body>No exchanges found.</body></html>'),
    '/broadband/search.php?q=GONE': (404, SEARCH.format(code='ABC123')),
    '/broadband/search.php?q=ONEBYTE': (200, 'x'),
    '/broadband/search.php?q=SLASH': (200, SEARCH.format(code='AB/CD')),
    '/broadband/search.php?q=HUGE': (200, ' ' * (2 * 1024 * 1024) + SEARCH.format(code='ABC123'),
                                     {'Content-Length': None, 'HANG': 'yes'}),
    '/broadband/search.php?q=BIGLENGTH': (200, SEARCH.format(code='ABC123'), {'Content-Length': '3000000', 'HANG': 'yes'}),
    '/broadband/search.php?q=HANG': (200, None),
    '/broadband/search.php?q=MOVED': (302, 'moved', {'Location': '/broadband/search.php?q=AB12CD'}),
    '/broadband/search.php?q=LOOP': (301, 'moved', {'Location': 'http://127.0.0.1:%(port)d/broadband/search.php?q=LOOP'}),
    '/broadband/search.php?q=SHORT': (200, SEARCH.format(code='ABC123'), {'Content-Length': '100000'}),
    '/broadband/search.php?q=NOLENGTH': (200, SEARCH.format(code='ABC123'), {'Content-Length': None}),
    '/broadband/search.php?q=CHUNKED': (200, SEARCH.format(code='ABC123'), {'Transfer-Encoding': 'chunked'}),
    '/broadband/search.php?q=ELSEWHERE': (302, 'moved', {'Location': 'http://localhost:%(port)d/broadband/search.php?q=AB12CD'}),
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def do_GET(self):
        print('GET ' + self.path, flush=True)
        status, body, *extra = PAGES.get(self.path, (404, 'Not found'))
        if body is None:
            time.sleep(3600)
            return
        data = body.encode('latin-1')
        headers = {'Content-Type': 'text/html', 'Content-Length': str(len(data)), 'Connection': 'close'}
        for name, value in (extra[0] if extra else {}).items():
            headers[name] = value % {'port': self.server.server_address[1]} if value else value
        hang = headers.pop('HANG', None)
        if headers.get('Transfer-Encoding') == 'chunked':
            headers['Content-Length'] = None
            data = b''.join(b'%x\r\n%s\r\n' % (len(c), c) for c in (data[:40], data[40:], b''))
        self.send_response(status)
        for name, value in headers.items():
            if value is not None:
                self.send_header(name, value)
        self.end_headers()
        try:
            self.wfile.write(data)
            self.wfile.flush()
            if hang:
                time.sleep(3600)
        except OSError:
            pass
        self.close_connection = True

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
server.daemon_threads = True
threading.Thread(target=server.serve_forever, daemon=True).start()
print('port %d' % server.server_address[1], flush=True)
sys.stdin.read()
