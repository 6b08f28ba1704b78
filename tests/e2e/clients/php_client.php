<?php
// The client-matrix session with PHP's SoapClient, built from the served WSDL and
// speaking SOAP 1.2.
//
// usage: php php_client.php ENDPOINT VLAN_NAME MAC_ADDRESS; prints "STEP<TAB>VALUE" lines.

[, $endpoint, $name, $mac] = $argv;
const COMMON = 'urn:wsvd/XMLSchema/qtn/common';

function report($step, $value) {
    echo "$step\t$value\n";
}

// Runs $call and reports its value, its fault as "fault: TEXT", or its error.
function step($step, $call) {
    try {
        $value = $call();
    } catch (SoapFault $f) {
        $value = 'fault: ' . $f->faultstring;
    } catch (Throwable $e) {
        $value = 'error: ' . $e->getMessage();
    }
    report($step, $value);
    return $value;
}

// A list element comes back as an array, or as the entry itself when there is one.
function entries($list) {
    return $list === null ? [] : (is_array($list) ? $list : [$list]);
}

// The session header, as the WSDL declares it (com:hdr).
function useSession($client, $sessionId) {
    $client->__setSoapHeaders([new SoapHeader(COMMON, 'hdr', ['sessionId' => $sessionId])]);
}

$client = new SoapClient($endpoint . '?wsdl', [
    'soap_version' => SOAP_1_2,
    'cache_wsdl' => WSDL_CACHE_NONE,
    'exceptions' => true,
    'connection_timeout' => 10,
]);
report('wsdl', 'loaded');

$openSession = function ($user) use ($client) {
    $client->__setSoapHeaders(null);
    return $client->openSession(['session' => ['username' => $user, 'password' => '']])->session->sessionId;
};
$done = fn() => 'done';

$sessionId = step('openSession', fn() => $openSession('admin'));
useSession($client, $sessionId);
$vlan = ['name' => $name, 'vr' => 'VR-Default'];
step('createVlan', fn() => $done($client->createVlan($vlan)));
step('getVlan', fn() => $client->getVlan($vlan)->reply->name);
step('getAllVlan', fn() => implode(',', array_map(fn($v) => $v->name,
                                                  entries($client->getAllVlan()->reply->vlan ?? null))));
step('createFdb', fn() => $done($client->createFdb(['macAddress' => $mac, 'vlan' => $name, 'port' => '1:5'])));
step('getAllFdb', fn() => implode(',', array_map(fn($e) => $e->macAddress,
                                                 entries($client->getAllFdb()->reply->fdb ?? null))));
step('execCli', fn() => implode(' ', preg_split('/\s+/', trim($client->execCli(['command' => 'show vlan'])->reply))));
step('saveConfig', fn() => $done($client->saveConfig(['hdr' => ['sessionId' => $sessionId]])));
step('duplicateVlan', fn() => $done($client->createVlan($vlan)));
step('readOnlyUser', function () use ($client, $openSession, $name, $done) {
    $reader = $openSession('user');
    try {
        useSession($client, $reader);
        return $done($client->createVlan(['name' => $name . 'ro', 'vr' => 'VR-Default']));
    } finally {
        $client->__setSoapHeaders(null);
        $client->closeSession(['sessionId' => $reader]);
    }
});
$client->__setSoapHeaders(null);
step('closeSession', fn() => $done($client->closeSession(['sessionId' => $sessionId])));
