// Intel HEX as avr-objcopy writes it: data, end-of-file and the two kinds of
// address extension records. Anything else, or a bad checksum, is an error
// rather than a silently different program.

const DATA = 0x00;
const END = 0x01;
const SEGMENT = 0x02;
const LINEAR = 0x04;

export function parseIntelHex(text, size) {
    const memory = new Uint8Array(size);
    let base = 0;
    const lines = text.split(/\r?\n/);
    for (let number = 1; number <= lines.length; ++number) {
        const line = lines[number - 1].trim();
        if (line === '') continue;
        const where = `line ${number}`;
        if (!/^:([0-9A-Fa-f]{2})+$/.test(line)) throw new Error(`${where}: not an Intel HEX record`);
        const bytes = Uint8Array.from(line.slice(1).match(/../g), (pair) => parseInt(pair, 16));
        const length = bytes[0];
        if (bytes.length !== length + 5) throw new Error(`${where}: length ${length} does not match`);
        if (bytes.reduce((sum, b) => sum + b, 0) % 256 !== 0) throw new Error(`${where}: bad checksum`);
        const offset = (bytes[1] << 8) | bytes[2];
        const data = bytes.subarray(4, 4 + length);
        switch (bytes[3]) {
            case DATA:
                if (base + offset + length > size) throw new Error(`${where}: beyond the ${size}-byte flash`);
                memory.set(data, base + offset);
                break;
            case END:
                return memory;
            case SEGMENT:
                base = ((data[0] << 8) | data[1]) << 4;
                break;
            case LINEAR:
                base = ((data[0] << 8) | data[1]) << 16;
                break;
            default:
                throw new Error(`${where}: record type ${bytes[3]} not supported`);
        }
    }
    throw new Error('no end-of-file record');
}
