#!/usr/bin/env node
'use strict';
// Prints the instruction list of one formula text.
//   node cli.js FILE      compile FILE (UTF-8)
//   node cli.js [-]       compile standard input
// Exit status 0 on success; on an error the message goes to standard error
// and the status is 1.

const fs = require('fs');
const path = require('path');
const { codeGenerator } = require(path.join(__dirname, 'code'));

function main(argv) {
    if (argv.length > 1 || argv[0] === '-h' || argv[0] === '--help') {
        process.stderr.write('usage: cli.js [FILE | -]\n');
        return 2;
    }
    const file = argv.length === 0 || argv[0] === '-' ? 0 : argv[0];
    let source;
    try {
        source = fs.readFileSync(file, 'utf8');
    } catch (error) {
        process.stderr.write(`cannot read ${file === 0 ? 'standard input' : file}: ${error.message}\n`);
        return 1;
    }
    // Editors on other systems often save formulas with a byte-order mark.
    if (source.charCodeAt(0) === 0xFEFF)
        source = source.slice(1);
    const text = codeGenerator(source);
    // A list always opens with "["; every error text starts with its message.
    if (text.startsWith('[')) {
        process.stdout.write(text + '\r\n');
        return 0;
    }
    process.stderr.write(text + '\r\n');
    return 1;
}

process.exitCode = main(process.argv.slice(2));
