// Sends COUNT magic packets to 127.0.0.1:PORT with an npm Wake-on-LAN
// package, one call after the other, as a node host would:
//   node node_loop.js wake_on_lan|wol COUNT PORT
'use strict';
const [, , name, countText, portText] = process.argv;
const count = Number(countText);
const port = Number(portText);

function mac(i) {
  const hex = (n) => n.toString(16).padStart(2, '0');
  return `00:11:22:${hex((i >> 16) & 0xff)}:${hex((i >> 8) & 0xff)}:${hex(i & 0xff)}`;
}

const wakeOne = {
  // One packet per call; by default it sends three, 100 ms apart.
  wake_on_lan: (m) => new Promise((resolve, reject) =>
    require('wake_on_lan').wake(m, { address: '127.0.0.1', port, num_packets: 1 },
      (error) => (error ? reject(error) : resolve()))),
  wol: (m) => require('wol').wake(m, { address: '127.0.0.1', port }),
}[name];

(async () => {
  for (let i = 0; i < count; i++) {
    await wakeOne(mac(i));
  }
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
