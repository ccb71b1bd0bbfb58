-- A Neovim session with its built-in LSP client against tarvex --lsp: opens a script,
-- waits for its diagnostic, asks for a hover and a definition, and writes what it got
-- to $TARVEX_LSP_OUT. Run headless: nvim --headless --clean -c "luafile neovim_session.lua"
local program = os.getenv('TARVEX_LSP_PROGRAM')
local folder = os.getenv('TARVEX_LSP_FOLDER')
local lines = {}
local function say(text) table.insert(lines, text) end

local function finish()
  local out = io.open(os.getenv('TARVEX_LSP_OUT'), 'w')
  out:write(table.concat(lines, '\n') .. '\n')
  out:close()
  vim.cmd('qa!')
end

local ok, failure = pcall(function()
  vim.cmd('edit ' .. folder .. '/app.rc')
  local buffer = vim.api.nvim_get_current_buf()
  local client = vim.lsp.start_client({ name = 'tarvex', cmd = { program, '--lsp' }, root_dir = folder })
  vim.lsp.buf_attach_client(buffer, client)
  if not vim.wait(10000, function() return #vim.diagnostic.get(buffer) > 0 end, 20) then
    say('no diagnostic')
  end
  for _, diagnostic in ipairs(vim.diagnostic.get(buffer)) do
    local code = diagnostic.code or (diagnostic.user_data and diagnostic.user_data.lsp and diagnostic.user_data.lsp.code)
    say(string.format('diagnostic %d:%d-%d:%d %s %s', diagnostic.lnum, diagnostic.col, diagnostic.end_lnum,
      diagnostic.end_col, tostring(code), diagnostic.message))
  end
  local at = { textDocument = { uri = vim.uri_from_bufnr(buffer) }, position = { line = 2, character = 22 } }
  for _, answer in pairs(vim.lsp.buf_request_sync(buffer, 'textDocument/hover', at, 10000) or {}) do
    say('hover ' .. (answer.result and answer.result.contents.value or tostring(answer.err)))
  end
  for _, answer in pairs(vim.lsp.buf_request_sync(buffer, 'textDocument/definition', at, 10000) or {}) do
    for _, location in ipairs(answer.result or {}) do
      say(string.format('definition %s %d:%d', vim.fn.fnamemodify(vim.uri_to_fname(location.uri), ':t'),
        location.range.start.line, location.range.start.character))
    end
  end
  vim.lsp.stop_client(client)
  vim.wait(2000, function() return vim.lsp.client_is_stopped(client) end, 20)
  say('stopped ' .. tostring(vim.lsp.client_is_stopped(client)))
end)
if not ok then say('lua failure: ' .. tostring(failure)) end
finish()
