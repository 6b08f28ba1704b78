// The client-matrix session with Node's `soap` (the version pinned in tests/package.json),
// built from the served WSDL; it takes the first port, the SOAP 1.1 binding.
//
// usage: node node_client.js ENDPOINT VLAN_NAME MAC_ADDRESS; prints "STEP<TAB>VALUE" lines.
'use strict';
const soap = require('soap');

const [endpoint, name, mac] = process.argv.slice(2);
const common = 'urn:wsvd/XMLSchema/qtn/common';

function report(step, value) {
    process.stdout.write(`${step}\t${value}\n`);
}

// Runs call() and reports its value, its fault as "fault: TEXT", or its error.
async function step(stepName, call) {
    let value;
    try {
        value = await call();
    } catch (e) {
        const fault = e.root && e.root.Envelope && e.root.Envelope.Body && e.root.Envelope.Body.Fault;
        value = fault ? `fault: ${fault.faultstring}` : `error: ${e.message}`;
    }
    report(stepName, value);
    return value;
}

// A list element comes back as an array, or as the entry itself when there is one.
const entries = (list) => (list === undefined || list === null ? [] : [].concat(list));

// The session header, as the WSDL declares it (com:hdr).
function useSession(client, sessionId) {
    client.clearSoapHeaders();
    client.addSoapHeader({hdr: {sessionId}}, '', 'com', common);
}

async function main() {
    const client = await soap.createClientAsync(endpoint + '?wsdl');
    report('wsdl', 'loaded');
    const openSession = async (user) => {
        client.clearSoapHeaders();
        const [reply] = await client.openSessionAsync({session: {username: user, password: ''}});
        return reply.session.sessionId;
    };
    const done = () => 'done';

    const sessionId = await step('openSession', () => openSession('admin'));
    useSession(client, sessionId);
    await step('createVlan', () => client.createVlanAsync({name, vr: 'VR-Default'}).then(done));
    await step('getVlan', async () => (await client.getVlanAsync({name, vr: 'VR-Default'}))[0].reply.name);
    await step('getAllVlan', async () => {
        const [reply] = await client.getAllVlanAsync({});
        return entries(reply.reply.vlan).map((v) => v.name).join(',');
    });
    await step('createFdb', () => client.createFdbAsync({macAddress: mac, vlan: name, port: '1:5'}).then(done));
    await step('getAllFdb', async () => {
        const [reply] = await client.getAllFdbAsync({});
        return entries(reply.reply.fdb).map((e) => e.macAddress).join(',');
    });
    await step('execCli', async () => {
        const [reply] = await client.execCliAsync({command: 'show vlan'});
        return reply.reply.split(/\s+/).join(' ');
    });
    await step('saveConfig', () => client.saveConfigAsync({hdr: {sessionId}}).then(done));
    await step('duplicateVlan', () => client.createVlanAsync({name, vr: 'VR-Default'}).then(done));
    await step('readOnlyUser', async () => {
        const reader = await openSession('user');
        try {
            useSession(client, reader);
            return await client.createVlanAsync({name: name + 'ro', vr: 'VR-Default'}).then(done);
        } finally {
            client.clearSoapHeaders();
            await client.closeSessionAsync({sessionId: reader});
        }
    });
    client.clearSoapHeaders();
    await step('closeSession', () => client.closeSessionAsync({sessionId}).then(done));
}

main().catch((e) => {
    process.stderr.write(`node client: ${e.message}\n`);
    process.exit(1);
});
