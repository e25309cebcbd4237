#!/usr/bin/env bash
# packaging/changelog.cmake, which reads CHANGELOG.md for the packages and
# the release notes:
# - the project's CHANGELOG.md has a section for the version in
#   CMakeLists.txt, and the Debian changelog made of it parses, entry by
#   entry, with each version and day;
# - days of the week and months are right (against date(1)) across years,
#   leap days and January and February;
# - a section's text keeps its semicolons and brackets, in the Debian
#   changelog and in the notes;
# - a version without a section, a heading of another form and a version
#   twice are refused.
#   check_changelog.sh SOURCE_DIR
set -euo pipefail
src=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
script=$src/packaging/changelog.cmake
# Runs a CMake script with the functions included; its messages on stdout.
cm() {  # TEXT
  printf 'include("%s")\n%s\n' "$script" "$1" >"$t/run.cmake"
  cmake -P "$t/run.cmake" 2>&1
}

# The project's own.
version=$(sed -n 's/^project(PakoTumbo VERSION \([0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")
cm "pako_changelog_debian(\"$src/CHANGELOG.md\" pako-tumbo \"T <t@example.org>\" out)
file(WRITE \"$t/changelog\" \"\${out}\")" >/dev/null || fail "the Debian changelog of CHANGELOG.md"
[ "$(dpkg-parsechangelog -l "$t/changelog" -S Version)" = "$version" ] ||
  fail "the newest entry is not CMakeLists.txt's version $version"
mapfile -t headings < <(sed -n 's/^## \([0-9.]*\) (\([0-9-]*\))$/\1 \2/p' "$src/CHANGELOG.md")
[ ${#headings[@]} -gt 0 ] || fail "CHANGELOG.md has no section"
parsed=$(dpkg-parsechangelog -l "$t/changelog" --all -S Version | tr '\n' ' ')
[ "$parsed" = "$(printf '%s ' "${headings[@]%% *}")" ] ||
  fail "the Debian changelog's versions are $parsed, CHANGELOG.md's ${headings[*]}"
i=0
for h in "${headings[@]}"; do
  want=$(LC_ALL=C date -u -d "${h#* }" '+%a, %d %b %Y 00:00:00 +0000')
  got=$(dpkg-parsechangelog -l "$t/changelog" --offset $i --count 1 -S Date)
  [ "$got" = "$want" ] || fail "version ${h%% *}: the Debian changelog's day is $got, not $want"
  i=$((i + 1))
done
cmake -DCHANGELOG="$src/CHANGELOG.md" -DVERSION="$version" -DNOTES="$t/notes" -P "$script" ||
  fail "the notes of $version"
head -n 1 "$t/notes" | grep -qx "# Pako Tumbo $version ([0-9-]*)" || fail "the notes' heading: $(head -n 1 "$t/notes")"

# Days and months, against date(1).
days="1999-12-31 2000-01-01 2000-02-29 2000-03-01 2024-02-29 2026-01-05 2026-02-28 2026-12-09 2100-03-01"
{
  for d in $days; do printf '## 1.%s (%s)\n\nText.\n\n' "${d//-/}" "$d"; done
} >"$t/days.md"
for d in $days; do
  got=$(cm "pako_changelog_release(\"$t/days.md\" 1.${d//-/})
message(\"\${PAKO_RELEASE_DATE}|\${PAKO_RELEASE_DATE_RFC}|\${PAKO_RELEASE_MONTH}\")")
  want="$d|$(LC_ALL=C date -u -d "$d" '+%a, %d %b %Y 00:00:00 +0000|%B %Y')"
  [ "$got" = "$want" ] || fail "$d: '$got', not '$want'"
done

# Semicolons and brackets, a paragraph and a list.
cat >"$t/text.md" <<'TEXT'
# Changes

## 2.0 (2027-03-04)

A paragraph; with [brackets] and a
second line.

- An item; [one]
  that goes on.
- Another.

## 1.0 (2026-12-09)

- The first.
TEXT
cm "pako_changelog_debian(\"$t/text.md\" p \"T <t@example.org>\" out)
file(WRITE \"$t/text.changelog\" \"\${out}\")" >/dev/null
cat >"$t/text.want" <<'WANT'
p (2.0) unstable; urgency=medium

  * A paragraph; with [brackets] and a
    second line.
  * An item; [one]
    that goes on.
  * Another.

 -- T <t@example.org>  Thu, 04 Mar 2027 00:00:00 +0000

p (1.0) unstable; urgency=medium

  * The first.

 -- T <t@example.org>  Wed, 09 Dec 2026 00:00:00 +0000
WANT
diff -u "$t/text.want" "$t/text.changelog" >&2 || fail "the Debian changelog of a section with ; and []"
cmake -DCHANGELOG="$t/text.md" -DVERSION=2.0 -DNOTES="$t/text.notes" -P "$script"
cat >"$t/notes.want" <<'WANT'
# Pako Tumbo 2.0 (2027-03-04)

A paragraph; with [brackets] and a
second line.

- An item; [one]
  that goes on.
- Another.
WANT
diff -u "$t/notes.want" "$t/text.notes" >&2 || fail "the notes of a section with ; and []"
got=$(cm "pako_changelog_appstream(\"$t/text.md\" out)
message(\"\${out}\")")
[ "$got" = '<release version="2.0" date="2027-03-04"/>
    <release version="1.0" date="2026-12-09"/>' ] || fail "AppStream's releases: $got"

# What is refused.
refused() {  # FILE VERSION WORDS
  local out
  if out=$(cm "pako_changelog_release(\"$1\" $2)"); then fail "$1 for $2 was not refused"; fi
  case $out in *"$3"*) ;; *) fail "$1 for $2: no word of '$3' in: $out" ;; esac
}
refused "$t/text.md" 3.0 'no section "## 3.0 (YYYY-MM-DD)"'
printf '## 1.0 - 2026-12-09\n' >"$t/form.md"
refused "$t/form.md" 1.0 'not "## 1.0 - 2026-12-09"'
printf '## 1.0 (2026-12-09)\n\n## 1.0 (2026-12-10)\n' >"$t/twice.md"
refused "$t/twice.md" 1.0 "two sections for version 1.0"
printf '## 1.0 (2026-13-09)\n' >"$t/month.md"
refused "$t/month.md" 1.0 "no such day 2026-13-09"
echo "changelog.cmake: the Debian changelog, the days, the text, the notes, what is refused"
