#!/usr/bin/perl
# Turns a kelvista-replay help text (standard input) into man(7) text (standard output), so the
# manual page says exactly what the tool's --help says.
#   help-to-roff.pl          one command's `COMMAND --help`: a subsection headed by its usage
#   help-to-roff.pl --page   the tool's own `--help`: the SYNOPSIS and DESCRIPTION sections,
#                            each "Label:" line over an indented run heading a subsection
#
# The help texts share one layout, and each part keeps its shape:
#   "Usage: ..." first line      -> the heading (or the synopsis)
#   lines at the left margin     -> filled prose; a blank line starts a new paragraph
#   an indented table            -> one tagged paragraph (.TP) per entry: the entry's name, then
#                                   its text, with the continuation lines below joined on
#   any other indented lines     -> kept line for line (examples, sample output)
# An entry is "  NAME  TEXT" (two spaces or more between) or "  NAME" with its text on the deeper
# indented lines below. An indented run is a table when its first name is an option ("-...") or
# when any of its lines is indented deeper than the rest.
use strict;
use warnings;

# Escapes text for roff: a backslash prints as itself, a hyphen as a hyphen-minus (so options
# can be copied), and a line starting with a control character stays text.
sub escape {
    my ($text) = @_;
    $text =~ s/\\/\\e/g;
    $text =~ s/-/\\-/g;
    $text =~ s/^([.'])/\\&$1/;
    return $text;
}

# An indented entry: two spaces, a name, two or more spaces, the text starting at a column.
sub entry {
    my ($line) = @_;
    return unless $line =~ /^  (\S(?:.*?\S)?)( {2,})(\S.*)$/;
    return ($1, 2 + length($1) + length($2), $3);
}

sub indent_of { my ($line) = @_; $line =~ /^( *)/; return length $1; }

sub is_table {
    my @run = @_;
    my ($name) = entry($run[0]);
    return 1 if defined $name && $name =~ /^-/;
    return scalar grep { indent_of($_) > 2 } @run;
}

sub print_table {
    my @run = @_;
    for my $i (0 .. $#run) {
        my $line = $run[$i];
        if (indent_of($line) > 2) {
            (my $rest = $line) =~ s/^ +//;
            print escape($rest), "\n";
            next;
        }
        my ($tag, $at, $text) = entry($line);
        if (defined $tag) {
            print ".TP\n\\fB", escape($tag), "\\fR\n", escape($text), "\n";
        } elsif ($i < $#run && indent_of($run[$i + 1]) > 2) {
            (my $name = $line) =~ s/^ +//;
            print ".TP\n\\fB", escape($name), "\\fR\n";
        } else {
            # A remark after the entries, at their margin.
            (my $rest = $line) =~ s/^ +//;
            print ".PP\n", escape($rest), "\n";
        }
    }
}

sub print_verbatim {
    print ".RS 2\n.nf\n";
    for my $line (@_) {
        (my $rest = $line) =~ s/^  //;
        print escape($rest), "\n";
    }
    print ".fi\n.RE\n";
}

my $page = @ARGV && $ARGV[0] eq '--page';
my @lines = map { s/\s+$//r } <STDIN>;
my $usage = shift @lines // '';
$usage =~ s/^Usage:\s*// or die "help-to-roff: the help text does not start with 'Usage:'\n";
if ($page) {
    my ($program, $arguments) = split / /, $usage, 2;
    print ".SH SYNOPSIS\n.B ", escape($program), "\n", escape($arguments // ''), "\n";
    print ".SH DESCRIPTION\n";
} else {
    print ".SS \"", escape($usage) =~ s/"/\\(dq/gr, "\"\n";
}

my $paragraph_open = 0;
my $i = 0;
while ($i < @lines) {
    my $line = $lines[$i];
    if ($line eq '') {
        $paragraph_open = 0;
        ++$i;
        next;
    }
    my ($label) = $line =~ /^(\S.*):$/;
    if ($page && defined $label && $i + 1 < @lines && $lines[$i + 1] =~ /^ /) {
        print ".SS \"", escape($label) =~ s/"/\\(dq/gr, "\"\n";
        $paragraph_open = 1;
        ++$i;
        next;
    }
    if (!$paragraph_open) {
        print ".PP\n";
        $paragraph_open = 1;
    }
    if ($line =~ /^ /) {
        my @run;
        push @run, $lines[$i++] while $i < @lines && $lines[$i] =~ /^ /;
        if (is_table(@run)) {
            print_table(@run);
        } else {
            print_verbatim(@run);
        }
        # Whatever follows an indented run is a paragraph of its own.
        $paragraph_open = 0;
        next;
    }
    print escape($line), "\n";
    ++$i;
}
