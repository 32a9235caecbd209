// Type declarations for kavorin-web.js, served by the bridge.
export type Progress = (line: string) => void;
export interface KavorinError extends Error {
  code: number | string;
  caption: string;
  text: string;
  result?: number | string | null;
}
export interface ConnectOptions {
  base?: string;                 // the bridge, e.g. "http://127.0.0.1:8470"
  transport?: "websocket" | "http";
  onProgress?: Progress;
}
// Every KAVORIN_Web member by name: texts (or whole numbers) in parameter
// order, optionally a progress callback last.
export type Member = (...args: Array<string | number | Progress>) => Promise<number | string | null>;
export interface KavorinControl {
  [member: string]: Member | (() => void);
  close(): void;
}
declare global {
  const KavorinWeb: {
    connect(options?: ConnectOptions): Promise<KavorinControl>;
    members: string[];
  };
}
