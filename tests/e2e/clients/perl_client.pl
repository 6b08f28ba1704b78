# The client-matrix session with Perl's SOAP::Lite over SOAP 1.1. Its stubs from a WSDL
# speak RPC style only, so the WSDL (read by SOAP::Schema) gives each operation's
# address, SOAP action and request element, and the document-literal messages are
# built with SOAP::Data.
#
# usage: perl perl_client.pl ENDPOINT VLAN_NAME MAC_ADDRESS; prints "STEP<TAB>VALUE" lines.
use strict;
use warnings;
use LWP::UserAgent;
use SOAP::Lite;

my ($endpoint, $name, $mac) = @ARGV;
$| = 1;

my $wsdl = "$endpoint?wsdl";
my $operations = SOAP::Schema->new(schema_url => $wsdl)->parse->services->{wsvd}
    or die "no service wsvd in $wsdl\n";
# The namespaces of the prefixes the WSDL's types use.
my $text = LWP::UserAgent->new(timeout => 10)->get($wsdl)->decoded_content;
my ($root) = $text =~ /<definitions\b([^>]*)>/ or die "no definitions in $wsdl\n";
my %namespace = $root =~ /xmlns:([\w.-]+)="([^"]*)"/g;
print "wsdl\tloaded\n";

our $session;  # the session id that the SOAP Header names, if any

# Calls an operation of the WSDL with the parameter elements given; dies with "fault:
# TEXT" on a fault.
sub call {
    my ($operation, @parameters) = @_;
    my $o = $operations->{$operation} or die "no operation $operation\n";
    my $element = $o->{parameters}[0];
    my ($prefix) = split /:/, $element->attr->{type};
    my $client = SOAP::Lite->proxy($o->{endpoint}->value, timeout => 30)->autotype(0);
    my $action = $o->{soapaction}->value;
    $client->on_action(sub { qq("$action") });
    my $request = SOAP::Data->name($element->attr->{name})->prefix($prefix)->uri($namespace{$prefix});
    my @header = defined $session
        ? (SOAP::Header->name('hdr')->prefix('com')->uri($namespace{com})
               ->value(\SOAP::Data->name(sessionId => $session)))
        : ();
    my $reply = $client->call($request => @parameters, @header);
    die 'fault: ' . $reply->faultstring . "\n" if $reply->fault;
    return $reply;
}

# Runs the code and reports its value, or the fault or error it died with.
sub step {
    my ($step, $code) = @_;
    my $value = eval { $code->() };
    if (!defined $value) {
        ($value = $@ || 'no value') =~ s/\n+$//;
        $value = "error: $value" unless $value =~ /^fault: /;
    }
    print "$step\t$value\n";
    return $value;
}

sub field { SOAP::Data->name(@_) }

sub openSession {
    my ($user) = @_;
    local $session;
    return call('openSession', field(session => \SOAP::Data->value(field(username => $user),
                                                                   field(password => ''))))
        ->valueof('//session/sessionId');
}

my @vlan = (field(name => $name), field(vr => 'VR-Default'));
my $admin = step('openSession', sub { openSession('admin') });
$session = $admin;
step('createVlan', sub { call('createVlan', @vlan); 'done' });
step('getVlan', sub { call('getVlan', @vlan)->valueof('//reply/name') });
step('getAllVlan', sub { join ',', map { $_->{name} } call('getAllVlan')->valueof('//reply/vlan') });
step('createFdb', sub {
    call('createFdb', field(macAddress => $mac), field(vlan => $name), field(port => '1:5'));
    'done';
});
step('getAllFdb', sub { join ',', map { $_->{macAddress} } call('getAllFdb')->valueof('//reply/fdb') });
step('execCli', sub { join ' ', split ' ', call('execCli', field(command => 'show vlan'))->valueof('//reply') });
step('saveConfig', sub {
    # upm's elements are qualified: the session travels in the body's upm:hdr.
    my $upm = sub { SOAP::Data->name(@_)->prefix('upm')->uri($namespace{upm}) };
    call('saveConfig', $upm->(hdr => \field(sessionId => $admin)));
    'done';
});
step('duplicateVlan', sub { call('createVlan', @vlan); 'done' });
step('readOnlyUser', sub {
    my $reader = openSession('user');
    local $session = $reader;
    my $value = eval { call('createVlan', field(name => "${name}ro"), field(vr => 'VR-Default')); 'done' };
    my $failure = $@;
    $session = undef;
    call('closeSession', field(sessionId => $reader));
    die $failure unless defined $value;
    return $value;
});
$session = undef;
step('closeSession', sub { call('closeSession', field(sessionId => $admin)); 'done' });
