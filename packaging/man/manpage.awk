# Turns a manual page written as plain text (packaging/man/*.txt) into roff
# for man(7), so the pages are kept in a form anyone can edit:
#
#   NAME(SECTION) -- summary     first line: the page's name and one-line summary
#   == HEADING                   a section
#   * TERM                       a tagged paragraph; its text follows, indented
#                                by two spaces, up to the next blank line
#       example                  four spaces (outside a tagged paragraph): shown
#                                as it is, in a block of its own
#   text                         paragraphs, separated by blank lines; a line
#                                that ends in a backslash ends a line there
#
# Inside text, `code` is set in bold and *word* in italics.
#
#   awk -v version=1.0.0 -v date=2026-01-31 -f manpage.awk PAGE.txt >PAGE.1

function fail(message) {
  printf "manpage.awk: %s:%d: %s\n", FILENAME, FNR, message >"/dev/stderr"
  failed = 1
  exit 1
}

# Roff's special characters, then the two inline markups.
function inline(text,    out, start, code) {
  gsub(/\\/, "\\e", text)
  out = ""
  while (match(text, /`[^`]+`|\*[^* ][^*]*\*/)) {
    out = out substr(text, 1, RSTART - 1)
    code = substr(text, RSTART + 1, RLENGTH - 2)
    if (substr(text, RSTART, 1) == "`") {
      gsub(/-/, "\\-", code)  # options are typed: real minus signs
      out = out "\\fB" code "\\fR"
    } else {
      out = out "\\fI" code "\\fR"
    }
    text = substr(text, RSTART + RLENGTH)
  }
  out = out text
  # A line that starts with a dot or a quote would be read as a request.
  if (out ~ /^[.']/) out = "\\&" out
  return out
}

function example(text) {
  gsub(/\\/, "\\e", text)
  gsub(/-/, "\\-", text)
  if (text ~ /^[.']/) text = "\\&" text
  return text
}

function close_block() {
  if (mode == "example") print ".fi\n.RE"
  mode = ""
}

FNR == 1 {
  if (!match($0, /^[a-z0-9-]+\([1-8]\) -- /)) fail("the first line must be NAME(SECTION) -- summary")
  name = substr($0, 1, index($0, "(") - 1)
  section = substr($0, index($0, "(") + 1, 1)
  summary = substr($0, RLENGTH + 1)
  upper = toupper(name)
  printf ".TH \"%s\" \"%s\" \"%s\" \"Veltrax %s\" \"Veltrax\"\n", upper, section, date, version
  print ".SH NAME"
  gsub(/-/, "\\-", name)
  print name " \\- " inline(summary)
  next
}

/^[ \t]*$/ { close_block(); pending = 1; next }

/^== / {
  close_block()
  print ".SH " toupper(substr($0, 4))
  pending = 0
  next
}

/^\* / {
  close_block()
  print ".TP"
  print inline(substr($0, 3))
  mode = "item"
  pending = 0
  next
}

/^    / && mode != "item" {
  if (mode != "example") {
    print ".PP\n.RS 4\n.nf"
    mode = "example"
  }
  print example(substr($0, 5))
  pending = 0
  next
}

/^  [^ ]/ && mode == "item" { print inline(substr($0, 3)); next }

/^ / { fail("indented text outside a tagged paragraph or an example") }

{
  if (mode == "item") fail("a tagged paragraph's text is indented by two spaces")
  if (pending) print ".PP"
  pending = 0
  if (sub(/[ ]*\\$/, "")) print inline($0) "\n.br"
  else print inline($0)
}

END {
  if (!failed) close_block()
}
