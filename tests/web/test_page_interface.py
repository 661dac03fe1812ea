"""The game and its page agree on what they call of each other: every function of the
page that platform/web/Page.h declares is defined in the page's script (platform/web/page)
with as many arguments, the page defines none that the game does not declare, and what the
page calls of the game is declared there as the game's and defined by it."""
import glob
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WEB = os.path.join(ROOT, 'platform', 'web')


def declared(header):
    """The functions of the extern "C" block: {name: argument count}, the page's and the game's."""
    block = header[header.index('extern "C" {'):]
    page_side, game_side = block.split("// The game's side")
    def functions(text):
        return {name: len([a for a in args.split(',') if a.strip()])
                for name, args in re.findall(r'\b(ropi_\w+)\(([^)]*)\);', text)}
    return functions(page_side), functions(game_side)


def main():
    with open(os.path.join(WEB, 'Page.h'), encoding='utf-8') as f:
        page_side, game_side = declared(f.read())
    script = ''
    for path in sorted(glob.glob(os.path.join(WEB, 'page', '*.js'))):
        with open(path, encoding='utf-8') as f:
            script += f.read()
    defined = {name: len([a for a in args.split(',') if a.strip()])
               for name, args in re.findall(r'^  (ropi_\w+): function \(([^)]*)\)', script, re.M)}
    called = set(re.findall(r'\b_(ropi_\w+)\(', script)) - set(defined)
    faults = [f'{name}: the game passes {count}, the page takes {defined.get(name)}'
              for name, count in page_side.items() if defined.get(name) != count]
    faults += [f'{name}: the page defines it, the game does not declare it'
               for name in defined if name not in page_side]
    faults += [f'{name}: the page calls it, the game does not declare it as its own'
               for name in called if name not in game_side]
    sources = ''
    for path in glob.glob(os.path.join(WEB, '*.cpp')):
        with open(path, encoding='utf-8') as f:
            sources += f.read()
    faults += [f'{name}: declared as the game\'s, defined nowhere' for name in game_side
               if not re.search(r'EMSCRIPTEN_KEEPALIVE\s+\w+\s+' + name + r'\(', sources)]
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        sys.exit(1)
    print(f'the page defines the {len(page_side)} functions the game calls, '
          f'and the game the {len(game_side)} the page calls')


if __name__ == '__main__':
    main()
