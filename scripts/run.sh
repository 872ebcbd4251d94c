#!/usr/bin/env bash
# Installs what is missing, builds Veltrane and starts it on a fresh copy of
# the sample data. Without a display it runs the window under Xvfb, saves a
# screenshot and quits.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"

"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$build" -DVELTRANE_BUILD_BENCH=OFF

workdir="$root/out/sample"
echo "run: copying the sample data to $workdir (the program's working folder)"
rm -rf "$workdir"
mkdir -p "$workdir"
cp -r "$root/data/." "$workdir/"
cd "$workdir"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "run: starting $build/app/veltrane"
  exec "$build/app/veltrane"
fi

shot="$root/out/veltrane-screenshot.png"
echo "run: no display is available; starting the program under Xvfb instead"
cat > "$root/out/headless-run.sh" <<INNER
#!/usr/bin/env bash
"$build/app/veltrane" > "$root/out/veltrane.log" 2>&1 &
pid=\$!
for i in \$(seq 1 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Veltrane"'; then break; fi
  sleep 0.2
done
sleep 1.5
line=\$(xwininfo -root -tree | grep '"Veltrane"' | head -n 1)
echo "\$line"
window=\$(echo "\$line" | awk '{print \$1}')
import -window "\${window:-root}" "$shot" 2>/dev/null || import -window root "$shot"
kill \$pid 2>/dev/null || true
wait \$pid 2>/dev/null || true
INNER
chmod +x "$root/out/headless-run.sh"
xvfb-run -a -s "-screen 0 1920x1200x24" "$root/out/headless-run.sh"
echo "run: screenshot of the window saved to $shot"
