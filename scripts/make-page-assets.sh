#!/usr/bin/env bash
# Makes the launcher page's pictures and fetches its fonts. The results are committed; the build
# only embeds them. Needs rsvg-convert, ImageMagick 6 and npm.
#
#   scripts/make-page-assets.sh            pictures and fonts
#   scripts/make-page-assets.sh pictures   pictures only (fonts already in place)
set -euo pipefail
cd "$(dirname "$0")/.."

page=src/ui/page
assets=$page/assets
fonts=$page/fonts
what=${1:-all}

# /usr/local/bin/convert on the development machines is not ImageMagick.
magick=$(command -v convert-im6.q16 || command -v convert-im6 || true)
if [ -z "$magick" ]; then
  echo "ImageMagick 6 (convert-im6.q16) is missing: install imagemagick" >&2
  exit 1
fi
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing: install librsvg2-bin" >&2; exit 1; }
command -v woff2_decompress >/dev/null || { echo "woff2_decompress is missing: install woff2" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$assets" "$fonts"

# --- fonts: every weight in one variable woff2 per subset, from the fontsource packages -------
fetch_fonts() {
  (cd "$work" && npm pack --silent --no-audit --no-fund \
    @fontsource-variable/cinzel@5 @fontsource-variable/manrope@5 >/dev/null)
  local family
  for family in cinzel manrope; do
    rm -rf "$work/package"
    tar -xzf "$work"/fontsource-variable-"$family"-*.tgz -C "$work"
    cp "$work/package/files/$family-latin-wght-normal.woff2" "$fonts/$family-latin.woff2"
    cp "$work/package/files/$family-latin-ext-wght-normal.woff2" "$fonts/$family-latin-ext.woff2"
    cp "$work/package/LICENSE" "$fonts/OFL-$family.txt"
  done
}

if [ "$what" = all ]; then
  fetch_fonts
fi

# The wordmark is drawn with the page's own display face; the SVG renderer cannot read woff2.
mkdir -p "$work/fontdir" "$work/fccache"
cp "$fonts"/*.woff2 "$work/fontdir/"
for font in "$work"/fontdir/*.woff2; do
  woff2_decompress "$font" >/dev/null
done
rm "$work"/fontdir/*.woff2
cat >"$work/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir>$work/fontdir</dir>
  <cachedir>$work/fccache</cachedir>
</fontconfig>
EOF
export FONTCONFIG_FILE=$work/fonts.conf

# --- helpers -------------------------------------------------------------------------------------

# ridge SEED WIDTH BASE AMPLITUDE ROUGHNESS HEIGHT: a closed mountain silhouette path.
ridge() {
  awk -v seed="$1" -v w="$2" -v base="$3" -v amp="$4" -v rough="$5" -v h="$6" 'BEGIN {
    srand(seed); n = 64; y = base; path = sprintf("M0,%d", h);
    for (i = 0; i <= n; i++) {
      x = w * i / n;
      y += (rand() - 0.5) * rough;
      pull = (base - y) * 0.18; y += pull;
      peak = sin(i * 0.37 + seed) * amp * 0.5 + sin(i * 0.11 + seed * 2) * amp;
      path = path sprintf(" L%.1f,%.1f", x, y - peak);
    }
    printf "%s L%d,%d Z", path, w, h;
  }'
}

# stars SEED COUNT WIDTH HEIGHT: small glowing dots.
stars() {
  awk -v seed="$1" -v n="$2" -v w="$3" -v h="$4" 'BEGIN {
    srand(seed);
    for (i = 0; i < n; i++) {
      x = rand() * w; y = rand() * rand() * h; r = 0.4 + rand() * rand() * 1.6;
      o = 0.25 + rand() * 0.65;
      printf "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.2f\" fill=\"#dff7f3\" opacity=\"%.2f\"/>\n", x, y, r, o;
    }
  }'
}

# spires X GROUND SCALE COLOUR: a ruined keep with a broken crown of towers.
spires() {
  awk -v x0="$1" -v g="$2" -v s="$3" -v c="$4" 'BEGIN {
    split("0 18 30 52 66 88 104 126", xs, " ");
    split("70 120 96 170 132 104 150 80", hs, " ");
    split("16 10 20 14 20 10 16 14", ws, " ");
    for (i = 1; i <= 8; i++) {
      x = x0 + xs[i] * s; tw = ws[i] * s; th = hs[i] * s;
      printf "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/>\n", x, g - th, tw, th, c;
      printf "<path d=\"M%.1f,%.1f L%.1f,%.1f L%.1f,%.1f Z\" fill=\"%s\"/>\n", x - 2 * s, g - th, x + tw / 2, g - th - 26 * s, x + tw + 2 * s, g - th, c;
    }
    printf "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/>\n", x0 - 20 * s, g - 46 * s, 180 * s, 46 * s, c;
    for (i = 0; i < 9; i++)
      printf "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/>\n", x0 - 20 * s + i * 20 * s, g - 54 * s, 10 * s, 8 * s, c;
  }'
}

render() { # render SVG PNG [WIDTH HEIGHT]
  rsvg-convert "$1" -o "$2"
}

# --- background: a moonlit mere under the ruined Hollow Crown --------------------------------------
W=1600 H=1000
cat >"$work/bg.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$W" height="$H" viewBox="0 0 $W $H">
  <defs>
    <linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#03070d"/>
      <stop offset="0.45" stop-color="#0a2230"/>
      <stop offset="0.68" stop-color="#12404a"/>
      <stop offset="1" stop-color="#061018"/>
    </linearGradient>
    <radialGradient id="moonglow" cx="0.51" cy="0.25" r="0.45">
      <stop offset="0" stop-color="#bfeee6" stop-opacity="0.55"/>
      <stop offset="0.12" stop-color="#2fe6c0" stop-opacity="0.22"/>
      <stop offset="0.5" stop-color="#15b9d6" stop-opacity="0.06"/>
      <stop offset="1" stop-color="#15b9d6" stop-opacity="0"/>
    </radialGradient>
    <radialGradient id="moon" cx="0.45" cy="0.4" r="0.6">
      <stop offset="0" stop-color="#f4fffd"/>
      <stop offset="0.7" stop-color="#cdf3ec"/>
      <stop offset="1" stop-color="#8fd8cc"/>
    </radialGradient>
    <linearGradient id="water" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#0f3a44"/>
      <stop offset="1" stop-color="#03080d"/>
    </linearGradient>
    <linearGradient id="path" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#bfeee6" stop-opacity="0.55"/>
      <stop offset="1" stop-color="#2fe6c0" stop-opacity="0"/>
    </linearGradient>
    <filter id="mist" x="-20%" y="-50%" width="140%" height="200%"><feGaussianBlur stdDeviation="28"/></filter>
    <filter id="soft" x="-20%" y="-20%" width="140%" height="140%"><feGaussianBlur stdDeviation="3"/></filter>
    <filter id="glow" x="-50%" y="-50%" width="200%" height="200%"><feGaussianBlur stdDeviation="10"/></filter>
  </defs>
  <rect width="$W" height="$H" fill="url(#sky)"/>
  <g>$(stars 7 420 $W 640)</g>
  <rect width="$W" height="$H" fill="url(#moonglow)"/>
  <circle cx="820" cy="250" r="74" fill="#bfeee6" opacity="0.35" filter="url(#glow)"/>
  <circle cx="820" cy="250" r="62" fill="url(#moon)"/>
  <circle cx="842" cy="234" r="12" fill="#9fd9cf" opacity="0.35"/>
  <circle cx="800" cy="272" r="8" fill="#9fd9cf" opacity="0.3"/>
  <path d="$(ridge 3 $W 560 60 26 $H)" fill="#0e2e39" opacity="0.85"/>
  <ellipse cx="800" cy="560" rx="900" ry="60" fill="#2a6f72" opacity="0.35" filter="url(#mist)"/>
  <path d="$(ridge 11 $W 610 48 30 $H)" fill="#0a222c"/>
  <path d="M880,640 C930,606 960,588 1000,584 L1130,584 C1160,590 1200,610 1260,640 Z" fill="#07161e"/>
  <g opacity="0.96">$(spires 960 590 1.05 '#07161e')</g>
  <circle cx="1046" cy="500" r="3" fill="#2fe6c0" opacity="0.9" filter="url(#soft)"/>
  <circle cx="1100" cy="470" r="2.5" fill="#e6d28a" opacity="0.8" filter="url(#soft)"/>
  <path d="$(ridge 19 $W 660 34 34 $H)" fill="#06151d"/>
  <ellipse cx="700" cy="668" rx="1000" ry="44" fill="#3f8f8a" opacity="0.28" filter="url(#mist)"/>
  <rect y="690" width="$W" height="310" fill="url(#water)"/>
  <rect x="770" y="690" width="100" height="310" fill="url(#path)" opacity="0.55" filter="url(#mist)"/>
  $(awk 'BEGIN { srand(5); for (i = 0; i < 34; i++) { y = 700 + i * i * 0.26; w = 30 + rand() * 140 + i * 3;
      printf "<rect x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"2\" fill=\"#bfeee6\" opacity=\"%.2f\"/>\n", 820 - w / 2 + (rand() - 0.5) * 40, y, w, 0.5 - i * 0.013 } }')
  <path d="$(ridge 23 $W 760 20 24 $H)" fill="#030a10"/>
  <path d="M0,1000 L0,620 C120,640 220,700 300,760 C360,810 420,880 470,1000 Z" fill="#02070b"/>
  <path d="M1600,1000 L1600,700 C1500,720 1420,780 1360,860 C1330,900 1310,950 1300,1000 Z" fill="#02070b"/>
  <ellipse cx="800" cy="900" rx="1100" ry="70" fill="#1d5a5c" opacity="0.25" filter="url(#mist)"/>
</svg>
EOF
render "$work/bg.svg" "$work/bg.png"
"$magick" "$work/bg.png" -attenuate 0.35 +noise Gaussian -quality 86 -sampling-factor 4:2:0 \
  -strip -interlace JPEG "$assets/bg.jpg"

# --- logo: the wordmark ------------------------------------------------------------------------------
cat >"$work/logo.svg" <<'EOF'
<svg xmlns="http://www.w3.org/2000/svg" width="400" height="150" viewBox="0 0 400 150">
  <defs>
    <linearGradient id="accent" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#2fe6c0"/>
      <stop offset="1" stop-color="#15b9d6"/>
    </linearGradient>
    <linearGradient id="word" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#eafdfb"/>
      <stop offset="0.55" stop-color="#bfeee6"/>
      <stop offset="1" stop-color="#5fc9c0"/>
    </linearGradient>
    <filter id="glow" x="-20%" y="-40%" width="140%" height="180%">
      <feGaussianBlur stdDeviation="6" result="b"/>
      <feMerge><feMergeNode in="b"/><feMergeNode in="SourceGraphic"/></feMerge>
    </filter>
  </defs>
  <g fill="url(#accent)" filter="url(#glow)">
    <path d="M170,44 L176,18 L188,34 L200,8 L212,34 L224,18 L230,44 Z"/>
    <rect x="168" y="46" width="64" height="5" rx="1"/>
  </g>
  <circle cx="200" cy="34" r="3.2" fill="#04141e"/>
  <text x="200" y="104" text-anchor="middle" font-family="Cinzel" font-weight="700" font-size="58"
        letter-spacing="4" fill="url(#word)" filter="url(#glow)">DUSKMERE</text>
  <g stroke="url(#accent)" stroke-width="1.5" opacity="0.9">
    <line x1="40" y1="126" x2="118" y2="126"/>
    <line x1="282" y1="126" x2="360" y2="126"/>
  </g>
  <text x="200" y="131" text-anchor="middle" font-family="Cinzel" font-weight="600" font-size="15"
        letter-spacing="6" fill="#8fb0ba">HOLLOW CROWN</text>
</svg>
EOF
render "$work/logo.svg" "$work/logo.png"
"$magick" "$work/logo.png" -strip "$assets/logo.png"

# --- news pictures: three scenes with their own colour -------------------------------------------
news_scene() { # news_scene NUMBER TOP MID LOW GLOW EXTRA_SVG
  cat >"$work/news-$1.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="640" height="360" viewBox="0 0 640 360">
  <defs>
    <linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="$2"/><stop offset="0.6" stop-color="$3"/><stop offset="1" stop-color="$4"/>
    </linearGradient>
    <radialGradient id="glow" cx="0.5" cy="0.55" r="0.55">
      <stop offset="0" stop-color="$5" stop-opacity="0.65"/><stop offset="1" stop-color="$5" stop-opacity="0"/>
    </radialGradient>
    <filter id="blur" x="-30%" y="-30%" width="160%" height="160%"><feGaussianBlur stdDeviation="14"/></filter>
    <filter id="soft" x="-30%" y="-30%" width="160%" height="160%"><feGaussianBlur stdDeviation="2.5"/></filter>
  </defs>
  <rect width="640" height="360" fill="url(#sky)"/>
  <rect width="640" height="360" fill="url(#glow)"/>
  $6
</svg>
EOF
  render "$work/news-$1.svg" "$work/news-$1.png"
  "$magick" "$work/news-$1.png" -strip -define png:compression-level=9 "$assets/news-$1.png"
}

# 1: the guild siege at sunset, in gold.
news_scene 1 '#1a0f0a' '#5a3216' '#0b0a0c' '#e6d28a' "
  <g>$(stars 31 60 640 160)</g>
  <circle cx='320' cy='210' r='70' fill='#e6d28a' opacity='0.55' filter='url(#blur)'/>
  <circle cx='320' cy='214' r='44' fill='#f3e2a6'/>
  <path d='$(ridge 41 640 250 22 22 360)' fill='#2a170d'/>
  <path d='M180,300 C220,270 250,262 280,260 L420,260 C450,264 480,280 520,300 Z' fill='#140b07'/>
  <g>$(spires 236 262 0.95 '#140b07')</g>
  <path d='$(ridge 43 640 300 14 26 360)' fill='#0d0806'/>
  <g fill='#0d0806'>
    <rect x='92' y='140' width='5' height='170'/><path d='M97,146 L170,160 L150,178 L170,196 L97,206 Z' fill='#8a2f24'/>
    <path d='M108,168 l12,-8 l12,8 l-12,18 Z' fill='#e6d28a' opacity='0.9'/>
    <rect x='544' y='150' width='5' height='160'/><path d='M544,156 L470,170 L490,188 L470,206 L544,216 Z' fill='#8a2f24'/>
    <path d='M520,178 l-12,-8 l-12,8 l12,18 Z' fill='#e6d28a' opacity='0.9'/>
  </g>
  $(awk 'BEGIN { srand(17); for (i = 0; i < 40; i++) printf "<circle cx=\"%.0f\" cy=\"%.0f\" r=\"%.1f\" fill=\"#ffcf7a\" opacity=\"%.2f\" filter=\"url(#soft)\"/>\n", rand()*640, 180+rand()*170, 1+rand()*2.5, 0.3+rand()*0.6 }')
"

# 2: the crystal hollow, in teal and cyan.
news_scene 2 '#031016' '#073241' '#020a10' '#2fe6c0' "
  <path d='M0,0 L640,0 L640,70 C560,110 520,60 460,96 C400,130 360,80 300,104 C230,132 190,70 120,98 C70,118 40,90 0,104 Z' fill='#02080c'/>
  $(awk 'BEGIN { srand(23);
      for (i = 0; i < 11; i++) { x = 30 + i * 58 + (rand() - 0.5) * 20; h = 50 + rand() * 150; w = 16 + rand() * 22; t = (rand() - 0.5) * 30;
        printf "<path d=\"M%.0f,330 L%.0f,%.0f L%.0f,330 Z\" fill=\"%s\" opacity=\"%.2f\"/>\n", x - w, x + t, 330 - h, x + w, (i % 2 ? "#15b9d6" : "#2fe6c0"), 0.45 + rand() * 0.4;
        printf "<path d=\"M%.0f,330 L%.0f,%.0f L%.0f,330 Z\" fill=\"#bfeee6\" opacity=\"0.35\"/>\n", x - w / 3, x + t, 330 - h, x; } }')
  <ellipse cx='320' cy='250' rx='200' ry='60' fill='#2fe6c0' opacity='0.35' filter='url(#blur)'/>
  <g fill='#01070a'>
    <path d='M300,330 L304,282 C304,270 314,262 322,262 C330,262 338,270 338,282 L342,330 Z'/>
    <circle cx='321' cy='252' r='11'/>
    <rect x='343' y='238' width='3' height='92'/>
  </g>
  <circle cx='344.5' cy='236' r='6' fill='#bfeee6' filter='url(#soft)'/>
  <rect y='330' width='640' height='30' fill='#01070a'/>
  $(awk 'BEGIN { srand(29); for (i = 0; i < 50; i++) printf "<circle cx=\"%.0f\" cy=\"%.0f\" r=\"%.1f\" fill=\"#bfeee6\" opacity=\"%.2f\"/>\n", rand()*640, 100+rand()*220, 0.6+rand()*1.6, 0.2+rand()*0.6 }')
"

# 3: a longship on the misty mere, in violet dusk.
news_scene 3 '#0b0a1c' '#2a2a52' '#060914' '#8fa8e6' "
  <g>$(stars 37 90 640 180)</g>
  <circle cx='470' cy='110' r='34' fill='#dfe6ff' opacity='0.9'/>
  <circle cx='470' cy='110' r='60' fill='#8fa8e6' opacity='0.35' filter='url(#blur)'/>
  <path d='$(ridge 47 640 220 26 20 360)' fill='#1a1b36' opacity='0.9'/>
  <path d='$(ridge 53 640 246 14 18 360)' fill='#111228'/>
  <rect y='252' width='640' height='108' fill='#0a0c1e'/>
  <ellipse cx='320' cy='256' rx='380' ry='22' fill='#8fa8e6' opacity='0.35' filter='url(#blur)'/>
  <g fill='#05060f'>
    <path d='M190,262 C230,292 410,292 450,262 L462,246 L440,258 L200,258 L178,244 Z'/>
    <rect x='316' y='150' width='4' height='110'/>
    <path d='M320,160 C360,176 372,214 360,246 L320,244 Z' fill='#1c1f3f'/>
    <path d='M316,160 C276,176 266,214 278,246 L316,244 Z' fill='#161833'/>
  </g>
  $(awk 'BEGIN { srand(61); for (i = 0; i < 16; i++) printf "<rect x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"1.5\" fill=\"#dfe6ff\" opacity=\"%.2f\"/>\n", 470 - (20 + i * 4) / 2 + (rand() - 0.5) * 14, 272 + i * 5, 20 + i * 4, 0.45 - i * 0.025 }')
"

# --- default avatar: a hooded wanderer on the accent gradient ------------------------------------
cat >"$work/avatar.svg" <<'EOF'
<svg xmlns="http://www.w3.org/2000/svg" width="160" height="160" viewBox="0 0 160 160">
  <defs>
    <linearGradient id="bg" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#0f4a4c"/>
      <stop offset="1" stop-color="#06202c"/>
    </linearGradient>
    <radialGradient id="light" cx="0.5" cy="0.35" r="0.6">
      <stop offset="0" stop-color="#2fe6c0" stop-opacity="0.45"/>
      <stop offset="1" stop-color="#2fe6c0" stop-opacity="0"/>
    </radialGradient>
  </defs>
  <rect width="160" height="160" fill="url(#bg)"/>
  <rect width="160" height="160" fill="url(#light)"/>
  <path d="M80,30 C56,30 44,52 44,74 C44,86 40,98 32,108 C22,120 18,140 18,160 L142,160 C142,140 138,120 128,108 C120,98 116,86 116,74 C116,52 104,30 80,30 Z" fill="#04141e"/>
  <path d="M80,50 C66,50 60,62 60,76 C60,90 70,100 80,100 C90,100 100,90 100,76 C100,62 94,50 80,50 Z" fill="#020a10"/>
  <circle cx="72" cy="78" r="2.6" fill="#2fe6c0"/>
  <circle cx="88" cy="78" r="2.6" fill="#2fe6c0"/>
  <path d="M56,124 L80,142 L104,124" stroke="#15b9d6" stroke-width="3" fill="none" opacity="0.8"/>
</svg>
EOF
render "$work/avatar.svg" "$work/avatar.png"
"$magick" "$work/avatar.png" -strip -quality 88 "$assets/avatar-default.webp"

ls -l "$assets" "$fonts"
