#!/usr/bin/env bash
# packaging/version.cmake, which names the commit a build is made from, in a
# repository of its own made here:
# - in a git work tree, HEAD and its time, untracked files aside, and
#   " (modified)" once a tracked file differs from it; also in another
#   user's work tree (when run as root);
# - in a source tarball made by git archive (with the project's
#   .gitattributes), the commit it was made from, also when unpacked
#   inside another git work tree;
# - with neither, "unknown" and no time;
# - its files rewritten only when their text changes, so that a build at
#   the same commit compiles nothing again.
#   check_version.sh SOURCE_DIR
set -euo pipefail
src=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
run() {  # SOURCE OUT
  cmake -DSOURCE_DIR="$1" -DVERSION=9.8 -DOUT_DIR="$2" -P "$src/packaging/version.cmake" ||
    fail "version.cmake failed in $1"
}
field() { sed -n "s/^$1 //p" "$2/version.txt"; }
expect() {  # OUT COMMIT TIME WHAT
  [ "$(field version "$1")" = 9.8 ] || fail "$4: version $(field version "$1")"
  [ "$(field commit "$1")" = "$2" ] || fail "$4: commit '$(field commit "$1")', not '$2'"
  [ "$(field time "$1")" = "$3" ] || fail "$4: time '$(field time "$1")', not '$3'"
  grep -qx "#define PAKO_VERSION \"9.8\"" "$1/pako_version.h" || fail "$4: the header's version"
  grep -qx "#define PAKO_COMMIT \"$2\"" "$1/pako_version.h" || fail "$4: the header's commit"
}
commit_all() {  # REPO MESSAGE
  git -C "$1" add -A
  GIT_AUTHOR_DATE=2001-02-03T04:05:06Z GIT_COMMITTER_DATE=2001-02-03T04:05:06Z \
    git -C "$1" -c user.name=Test -c user.email=test@example.org commit -q -m "$2"
}

repo=$t/repo
mkdir -p "$repo/packaging"
cp "$src/packaging/source-commit.txt" "$repo/packaging/"
cp "$src/.gitattributes" "$repo/"
echo one >"$repo/file"
git -C "$repo" init -q
commit_all "$repo" first
head=$(git -C "$repo" rev-parse HEAD)
when=981173106  # 2001-02-03 04:05:06 UTC

run "$repo" "$t/out"
expect "$t/out" "$head" "$when" "a work tree"
touch -d @946684800 "$t/out/pako_version.h" "$t/out/version.txt"
echo scratch >"$repo/untracked"
run "$repo" "$t/out"
expect "$t/out" "$head" "$when" "a work tree with an untracked file"
[ "$(stat -c %Y "$t/out/pako_version.h")" = 946684800 ] &&
  [ "$(stat -c %Y "$t/out/version.txt")" = 946684800 ] || fail "the same text was written again"
echo two >"$repo/file"
run "$repo" "$t/out"
expect "$t/out" "$head (modified)" "$when" "a work tree with a tracked file changed"
[ "$(stat -c %Y "$t/out/pako_version.h")" != 946684800 ] || fail "a new commit text was not written"
rm "$repo/untracked"
git -C "$repo" checkout -q file
if [ "$(id -u)" -eq 0 ]; then
  # A checkout of another user's (a CI's clone, built as root).
  chown -R nobody "$repo"
  run "$repo" "$t/out-owner"
  chown -R 0 "$repo"
  expect "$t/out-owner" "$head" "$when" "a work tree of another user's"
fi

# The tarball: git archive fills in packaging/source-commit.txt.
mkdir "$t/tarball"
git -C "$repo" archive --format=tar --prefix=p/ HEAD | tar -x -C "$t/tarball"
grep -qx "commit $head" "$t/tarball/p/packaging/source-commit.txt" ||
  fail "git archive did not fill in source-commit.txt: $(cat "$t/tarball/p/packaging/source-commit.txt")"
run "$t/tarball/p" "$t/out-tarball"
expect "$t/out-tarball" "$head" "$when" "a source tarball"
# ... unpacked inside another repository: still the tarball's commit.
other=$t/other
mkdir "$other"
git -C "$other" init -q
echo other >"$other/file"
commit_all "$other" other
git -C "$repo" archive --format=tar --prefix=p/ HEAD | tar -x -C "$other"
run "$other/p" "$t/out-inside"
expect "$t/out-inside" "$head" "$when" "a source tarball inside another work tree"

# Neither: the file as committed, outside any work tree.
mkdir -p "$t/plain/packaging"
cp "$src/packaging/source-commit.txt" "$t/plain/packaging/"
run "$t/plain" "$t/out-plain"
expect "$t/out-plain" unknown "" "neither git nor a tarball"
echo "version.cmake: the commit in a work tree, a tarball and neither"
