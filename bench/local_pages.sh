# Shared by the benchmark scripts: the local pages and the nginx that serves them on loopback.
# Source it; the functions work in $WORK and set what the clean-up needs.

# make_work NAME: a work folder $WORK under $TMP_ROOT that nginx's workers (perhaps an unprivileged
# user) can read, removed at exit unless KEEP_WORK is set, after the nginx of start_nginx has stopped.
make_work() {
    WORK="$(mktemp -d "$TMP_ROOT/$1-XXXXXX")"
    chmod 755 "$WORK"
    NGINX_PID=""
    trap end_work EXIT
}

end_work() {
    if [[ -n "$NGINX_PID" ]]; then
        kill "$NGINX_PID" 2>/dev/null || true
        wait "$NGINX_PID" 2>/dev/null || true
    fi
    [[ -n "${KEEP_WORK:-}" ]] && echo "kept $WORK" || rm -rf "$WORK"
}

# make_pages FOLDER COUNT BYTES: p00001.html ... of about BYTES bytes each.
make_pages() {
    mkdir -p "$1"
    python3 - "$1" "$2" "$3" <<'PY'
import sys
folder, pages, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
line = "<p>The quick brown fox jumps over the lazy dog, again and again.</p>\n"
for i in range(1, pages + 1):
    head = f"<html><head><title>Page {i}</title></head><body>\n<h1>Page {i}</h1>\n"
    tail = "</body></html>\n"
    body = line * ((size - len(head) - len(tail)) // len(line) + 1)
    text = (head + body)[: size - len(tail)] + tail
    with open(f"{folder}/p{i:05d}.html", "w") as out:
        out.write(text)
PY
    chmod -R a+rX "$1"
}

# start_nginx PORT ROOT: serves ROOT on 127.0.0.1:PORT from $WORK/nginx; sets NGINX_PID; waits until
# the first page answers, else ends the script.
start_nginx() {
    mkdir -p "$WORK/nginx"
    cat > "$WORK/nginx/nginx.conf" <<CONF
worker_processes 2;
pid $WORK/nginx/nginx.pid;
error_log $WORK/nginx/error.log;
events { worker_connections 4096; }
http {
    access_log off;
    client_body_temp_path $WORK/nginx/body;
    proxy_temp_path $WORK/nginx/proxy;
    fastcgi_temp_path $WORK/nginx/fastcgi;
    uwsgi_temp_path $WORK/nginx/uwsgi;
    scgi_temp_path $WORK/nginx/scgi;
    keepalive_requests 1000000;
    default_type text/html;
    server {
        listen 127.0.0.1:$1;
        root $2;
    }
}
CONF
    nginx -p "$WORK/nginx" -c "$WORK/nginx/nginx.conf" -g 'daemon off;' &
    NGINX_PID=$!
    for _ in $(seq 1 50); do
        curl -fsS -o /dev/null "http://127.0.0.1:$1/p00001.html" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "nginx did not start" >&2
    exit 1
}
