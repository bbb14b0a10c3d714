# Walks every tag of a compound index with Perl's XBase::Index (an
# independent reader of the format) and prints one line per entry:
#   TAG <tab> RECORD
# in the order the tag's leaves hold them (stored order; a descending tag's
# stored order is ascending). Keys are read as text: the walk does not
# depend on decoding them.
#
# usage: perl walk_cdx.pl TABLE.dbf INDEX.cdx
use strict;
use warnings;
use XBase;
use XBase::Index;

my ($dbf, $cdx) = @ARGV;
my $table = XBase->new($dbf) or die XBase->errstr;
my $index = XBase::Index->new($cdx, 'dbf' => $table, 'type' => 'C') or die XBase::Index->errstr;
for my $tag ($index->tags) {
    my $t = XBase::Index->new($cdx, 'dbf' => $table, 'tag' => $tag, 'type' => 'C')
        or die XBase::Index->errstr;
    $t->prepare_select;
    while (my ($key, $record) = $t->fetch) {
        print "$tag\t$record\n";
    }
}
