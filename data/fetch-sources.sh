#!/usr/bin/env bash
# Download the source packages pinned in data/sources.lock into a cache
# directory, check each file against its recorded sha256 and unpack it.
#
#   bash data/fetch-sources.sh [CACHE_DIR]
#
# CACHE_DIR defaults to $QUVO_DATA_CACHE, else
# ${XDG_CACHE_HOME:-$HOME/.cache}/quvo/data-sources. Files already in the
# cache with the right checksum are not fetched again, so a warm cache needs
# no network. Debian packages are fetched with apt-get through a private apt
# configuration built from this machine's own Debian sources (plus the
# bookworm-backports suite on the same mirror); the system configuration and
# package lists are never changed. npm packages are fetched with `npm pack`.
#
#   --print-sums   download what is missing and print "name sha256" for
#                  every file instead of failing on a mismatch (used once
#                  when a pin is changed, to fill in data/sources.lock).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
lock="$here/sources.lock"
print_sums=0
if [[ "${1:-}" == "--print-sums" ]]; then
  print_sums=1
  shift
fi
cache="${1:-${QUVO_DATA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quvo/data-sources}}"
mkdir -p "$cache/downloads" "$cache/tree"
cache="$(cd "$cache" && pwd)"

die() {
  echo "fetch-sources: $*" >&2
  exit 1
}

# Prints the mirror URI of the machine's own Debian archive: the first apt
# source whose suite is "bookworm" and whose components include main, from
# deb822 .sources files or one-line .list files.
debian_mirror() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -r "$f" ]] || continue
    awk '
      function flush() {
        if (uri != "" && suites ~ /(^| )bookworm( |$)/ && comps ~ /(^| )main( |$)/ && !done) {
          print uri; done = 1
        }
        uri = ""; suites = ""; comps = ""; enabled = 1
      }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      tolower($1) == "uris:"       { uri = $2 }
      tolower($1) == "suites:"     { $1 = ""; suites = $0 " " }
      tolower($1) == "components:" { $1 = ""; comps = $0 " " }
      tolower($1) == "enabled:" && tolower($2) == "no" { uri = "" }
      END { flush() }
    ' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -r "$f" ]] || continue
    awk '
      $1 == "deb" {
        i = 2
        if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
        uri = $i; suite = $(i + 1)
        for (j = i + 2; j <= NF; j++) if ($j == "main" && suite == "bookworm") { print uri; exit }
      }
    ' "$f"
  done
}

apt_dir=""
apt_opts=()
setup_apt() {
  [[ -n "$apt_dir" ]] && return 0
  local mirror keyring
  mirror="$(debian_mirror | head -n 1)"
  [[ -n "$mirror" ]] || die "no Debian bookworm source with component main found in /etc/apt"
  keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  apt_dir="$(mktemp -d)"
  chmod 755 "$apt_dir"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts" "$apt_dir/prefs"
  local signed=""
  [[ -r "$keyring" ]] && signed="[signed-by=$keyring] "
  {
    echo "deb ${signed}${mirror} bookworm main"
    echo "deb ${signed}${mirror} bookworm-backports main"
  } >"$apt_dir/sources.list"
  apt_opts=(
    -o "Dir::Etc::SourceList=$apt_dir/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/parts"
    -o "Dir::Etc::PreferencesParts=$apt_dir/prefs"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
    -o "APT::Sandbox::User=root"
  )
  echo "fetch-sources: private apt configuration in $apt_dir" >&2
  apt-get -q "${apt_opts[@]}" update >&2 || die "apt-get update with the private configuration failed"
}
cleanup() {
  [[ -n "$apt_dir" ]] && rm -rf "$apt_dir"
  return 0
}
trap cleanup EXIT

sha_of() { sha256sum "$1" | cut -d' ' -f1; }

# Downloads one package to the path given as fourth argument.
download() {
  local kind="$1" name="$2" version="$3" tmp file
  tmp="$(mktemp -d "$cache/downloads/.tmp.XXXXXX")"
  chmod 755 "$tmp"
  case "$kind" in
    deb)
      setup_apt
      (cd "$tmp" && apt-get -q "${apt_opts[@]}" download "$name=$version" >&2) ||
        die "apt-get download $name=$version failed (is that version still in the archive?)"
      ;;
    npm)
      (cd "$tmp" && npm pack --silent "$name@$version" >/dev/null) ||
        die "npm pack $name@$version failed"
      ;;
    *) die "unknown kind $kind in $lock" ;;
  esac
  file="$(find "$tmp" -maxdepth 1 -type f | head -n 1)"
  [[ -n "$file" ]] || die "no file downloaded for $name"
  mv "$file" "$4"
  rmdir "$tmp"
}

# The cache file name of a pinned package.
file_name() {
  local kind="$1" name="$2" version="$3" n
  n="${name#@}"
  n="${n//\//-}"
  case "$kind" in
    deb) echo "${n}_${version//:/%3a}.deb" ;;
    npm) echo "${n}-${version}.tgz" ;;
  esac
}

status=0
while read -r kind name version sum; do
  [[ -z "$kind" || "$kind" == \#* ]] && continue
  if [[ "$kind" == tool ]]; then
    # A program the generator runs; it must be installed, not unpacked.
    have="$(dpkg-query -W -f='${Version}' "$name" 2>/dev/null || true)"
    [[ -n "$have" ]] || die "$name is not installed (apt-get install $name)"
    [[ "$have" == "$version" ]] ||
      echo "fetch-sources: warning: $name $have installed, $version pinned" >&2
    continue
  fi
  file="$cache/downloads/$(file_name "$kind" "$name" "$version")"
  if [[ ! -f "$file" || "$(sha_of "$file")" != "$sum" ]]; then
    rm -f "$file"
    download "$kind" "$name" "$version" "$file"
  fi
  actual="$(sha_of "$file")"
  if ((print_sums)); then
    echo "$kind $name $version $actual"
  elif [[ "$actual" != "$sum" ]]; then
    echo "fetch-sources: checksum mismatch for $name $version: $actual, locked $sum" >&2
    status=1
    continue
  fi
  dest="$cache/tree/$name"
  stamp="$dest/.source-sha256"
  if [[ ! -f "$stamp" || "$(cat "$stamp")" != "$actual" ]]; then
    rm -rf "$dest"
    mkdir -p "$dest"
    case "$kind" in
      deb) dpkg-deb -x "$file" "$dest" ;;
      npm) tar -xzf "$file" -C "$dest" ;;
    esac
    echo "$actual" >"$stamp"
  fi
done <"$lock"

((status == 0)) || die "some files did not match data/sources.lock"
((print_sums)) || echo "$cache"
